#pragma once
// The log's save dialog (`SaveTextFileDialog1`): the desktop's save-file dialog
// for "Log File (*.txt)" with the default extension "txt", opening with the name
// chosen last time and never asking before an existing file is replaced.
//
// Use: QString path = dialog.execute(parent); an empty path means cancelled.
// Tests replace the interactive part with setChooser().

#include <QString>

#include <functional>

class QFileDialog;
class QWidget;

class SaveTextFileDialog {
public:
    using Chooser = std::function<QString(QWidget* parent, const QString& lastFileName)>;

    SaveTextFileDialog();

    // Runs the dialog; returns the chosen full path (remembered for next time), or
    // an empty string when the user cancels.
    QString execute(QWidget* parent);
    QString fileName() const { return fileName_; }

    void setChooser(Chooser chooser) { chooser_ = std::move(chooser); }
    // Sets up `dialog` the way the save dialog looks and behaves.
    static void configure(QFileDialog& dialog, const QString& lastFileName);

private:
    QString fileName_;
    Chooser chooser_;
};
