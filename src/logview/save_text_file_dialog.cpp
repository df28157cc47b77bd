#include "logview/save_text_file_dialog.h"

#include <QFileDialog>
#include <QStringList>

namespace {

QString runFileDialog(QWidget* parent, const QString& lastFileName) {
    QFileDialog dialog(parent);
    SaveTextFileDialog::configure(dialog, lastFileName);
    if (dialog.exec() != QDialog::Accepted) return QString();
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

}  // namespace

SaveTextFileDialog::SaveTextFileDialog() : chooser_(runFileDialog) {}

void SaveTextFileDialog::configure(QFileDialog& dialog, const QString& lastFileName) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("Log File (*.txt)"));
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!lastFileName.isEmpty()) dialog.selectFile(lastFileName);
}

QString SaveTextFileDialog::execute(QWidget* parent) {
    const QString chosen = chooser_(parent, fileName_);
    if (!chosen.isEmpty()) fileName_ = chosen;
    return chosen;
}
