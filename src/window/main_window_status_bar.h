#pragma once
// `StatusBar1`: three panels across the bottom of the main window (70 wide
// centred, 130 wide left-aligned, the rest centred) and a size grip.

#include <QLabel>
#include <QSizeGrip>
#include <QWidget>

#include <array>

class MainStatusBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 19;
    static constexpr int kPanel1Width = 70;
    static constexpr int kPanel2Width = 130;

    explicit MainStatusBar(QWidget* parent = nullptr);

    void setPanelText(int panel, const QString& text);
    QString panelText(int panel) const;
    const QLabel* panel(int index) const { return panels_.at(index); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::array<QLabel*, 3> panels_{};
    QSizeGrip* grip_;
};
