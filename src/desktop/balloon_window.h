#pragma once
// A balloon notice drawn by the program itself, for a StatusNotifierItem host
// when no notification daemon answers: Qt draws its own balloon only for an
// XEmbed icon. The host does not tell where it draws the icon, so the balloon
// sits in the corner of the work area next to the panel (top right when the
// panel takes the top edge, else bottom right). It never takes the focus and
// hides itself after its time; a click on it hides it too.

#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

class QLabel;

class BalloonWindow : public QWidget {
    Q_OBJECT
public:
    explicit BalloonWindow(QWidget* parent = nullptr);

    void showBalloon(const QString& title, const QString& text, QSystemTrayIcon::MessageIcon kind,
                     int shownMs);

    QString title() const;
    QString text() const;

    // Where a balloon of `size` goes in a screen with these geometries.
    static QPoint cornerPosition(const QRect& screen, const QRect& workArea, const QSize& size);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QLabel* icon_;
    QLabel* title_;
    QLabel* text_;
    QTimer hideTimer_;
};
