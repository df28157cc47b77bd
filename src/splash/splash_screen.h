#pragma once
// `SplashScreen1`: the picture shown for about three seconds at start. It
// fades in, stays, fades out and deletes itself; it never takes the focus or
// the activation, ignores clicks, and stays above the program's other windows
// (a window the program opens meanwhile does not cover it).
//
// Use, once the main window has been built:
//
//     SplashScreen1 = new splash::SplashScreen();   // no parent: it deletes itself
//     SplashScreen1->showSplash();
//
// Keep it in a QPointer if you need to know whether it is still up.

#include "splash/splash_fade.h"

#include <QTimer>
#include <QWidget>

#include <functional>

namespace splash {

class SplashScreen : public QWidget {
    Q_OBJECT
public:
    // Runs `step` after `delayMs`; tests install one that does not wait.
    using Scheduler = std::function<void(int delayMs)>;

    explicit SplashScreen(QWidget* parent = nullptr);
    ~SplashScreen() override;

    // Shows the splash centred on the primary screen and starts its course.
    void showSplash();

    // Replaces the timer that paces the course; the scheduler is told each
    // delay, and the test then calls advance() itself.
    void setScheduler(Scheduler scheduler) { scheduler_ = std::move(scheduler); }
    // Takes the course's next step.
    void advance();

    const SplashFade& fade() const { return fade_; }

signals:
    // The fade-out has ended; the splash is hidden and about to be deleted.
    void finished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void schedule(int delayMs);
    void applyOpacity();

    SplashFade fade_;
    QTimer timer_;
    Scheduler scheduler_;
};

}  // namespace splash
