#include "splash/splash_fade.h"
#include "splash/splash_layout.h"
#include "splash/splash_screen.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>

#include <vector>

namespace {

using splash::SplashFade;

struct Step {
    int opacity;
    int delay;
};

std::vector<Step> playUntil(SplashFade& fade, SplashFade::Phase phase) {
    std::vector<Step> steps;
    while (fade.phase() != phase) {
        const int delay = fade.advance();
        steps.push_back({fade.opacity(), delay});
        if (steps.size() > 1000) break;
    }
    return steps;
}

TEST(SplashFade, FadesInBy5Every5MsHolds3000MsAndFadesOutBy20Every15MsTo10) {
    SplashFade fade;
    EXPECT_EQ(fade.show(), 0);
    EXPECT_EQ(fade.opacity(), 5);

    const auto in = playUntil(fade, SplashFade::Phase::Shown);
    ASSERT_EQ(in.size(), 51u);  // fifty raises, then the hold begins
    int expected = 5;
    for (std::size_t i = 0; i + 1 < in.size(); ++i) {
        expected += 5;
        EXPECT_EQ(in[i].opacity, expected);
        EXPECT_EQ(in[i].delay, 5);
    }
    EXPECT_EQ(in.back().opacity, 255);
    EXPECT_EQ(in.back().delay, 3000);

    const auto out = playUntil(fade, SplashFade::Phase::Finished);
    ASSERT_EQ(out.size(), 13u);  // twelve steps of 20, then the last to 10
    for (std::size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(out[i].opacity, 255 - 20 * static_cast<int>(i + 1));
        EXPECT_EQ(out[i].delay, 15);
    }
    EXPECT_EQ(out.back().opacity, 10);
    EXPECT_EQ(out.back().delay, -1);
    EXPECT_EQ(fade.advance(), -1);  // nothing after the end
}

TEST(SplashLayout, CentresOnTheWorkAreaButNeverAboveOrLeftOfTheDesktop) {
    const QSize size = splash::kSplashSize;
    EXPECT_EQ(splash::centredPosition({0, 0, 1920, 1080}, {0, 0, 1920, 1040}, {0, 0}, size),
              QPoint(760, 417));
    // A primary screen right of another one keeps its own origin.
    EXPECT_EQ(splash::centredPosition({1280, 0, 1024, 768}, {1280, 0, 1024, 740}, {0, 0}, size),
              QPoint(1280 + 312, 267));
    // A screen smaller than the splash puts it at the desktop's corner.
    EXPECT_EQ(splash::centredPosition({0, 0, 320, 200}, {0, 0, 320, 180}, {0, 0}, size), QPoint(0, 0));
    EXPECT_EQ(splash::textFrame(size), QRect(QPoint(2, 2), QPoint(392, 202)));
}

class SplashWindow : public ::testing::Test {
protected:
    void SetUp() override {
        splash_ = new splash::SplashScreen();
        splash_->setScheduler([this](int delay) { delays_.push_back(delay); });
    }
    void TearDown() override { delete splash_.data(); }

    // Plays the course to its end, checking the window's opacity at each step.
    void playToEnd() {
        for (int guard = 0; splash_ && splash_->fade().phase() != SplashFade::Phase::Finished && guard < 200;
             ++guard) {
            splash_->advance();
            if (splash_ && splash_->fade().phase() != SplashFade::Phase::Finished) {
                EXPECT_NEAR(splash_->windowOpacity(), splash_->fade().opacity() / 255.0, 0.002);
            }
        }
    }

    QPointer<splash::SplashScreen> splash_;
    std::vector<int> delays_;
};

TEST_F(SplashWindow, ShowsCentredFramelessOnTopAndNeverActivating) {
    splash_->showSplash();
    EXPECT_TRUE(splash_->isVisible());
    EXPECT_EQ(splash_->size(), QSize(400, 205));
    const Qt::WindowFlags flags = splash_->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_EQ(splash_->windowType(), Qt::SplashScreen);
    EXPECT_TRUE(splash_->testAttribute(Qt::WA_ShowWithoutActivating));
    const QScreen* screen = QGuiApplication::primaryScreen();
    EXPECT_EQ(splash_->pos(), splash::centredPosition(screen->geometry(), screen->availableGeometry(),
                                                      screen->virtualGeometry().topLeft(), splash_->size()));
    EXPECT_NEAR(splash_->windowOpacity(), 5 / 255.0, 0.002);
}

TEST_F(SplashWindow, RunsItsCourseThenHidesAndDeletesItself) {
    QSignalSpy finished(splash_.data(), &splash::SplashScreen::finished);
    splash_->showSplash();
    playToEnd();
    EXPECT_EQ(finished.count(), 1);
    ASSERT_TRUE(splash_);  // deletion waits for the event loop
    EXPECT_FALSE(splash_->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(splash_.isNull());
    // The scheduler saw the whole course: 0, fifty times 5, 3000, twelve times 15.
    ASSERT_EQ(delays_.size(), 64u);
    EXPECT_EQ(delays_.front(), 0);
    EXPECT_EQ(delays_[51], 3000);
    EXPECT_EQ(delays_.back(), 15);
}

TEST_F(SplashWindow, ClicksDoNothing) {
    splash_->showSplash();
    splash_->advance();
    const int opacity = splash_->fade().opacity();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(100, 100), QPointF(100, 100), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(splash_.data(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(100, 100), QPointF(100, 100), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(splash_.data(), &release);
    EXPECT_TRUE(splash_->isVisible());
    EXPECT_EQ(splash_->fade().opacity(), opacity);
    EXPECT_EQ(splash_->fade().phase(), SplashFade::Phase::FadingIn);
}

// The darkest pixels' extent within `area` of the painted splash.
QRect inkIn(const QImage& image, const QRect& area) {
    QRect ink;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) ink |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

TEST_F(SplashWindow, VersionTopRightAndCopyrightBottomRightInsideTheTextFrame) {
    QImage image(splash::kSplashSize, QImage::Format_RGB32);
    splash_->render(&image);
    const QRect version = inkIn(image, QRect(250, 0, 150, 20));
    ASSERT_FALSE(version.isEmpty());
    EXPECT_LE(version.right(), 392);
    EXPECT_GE(version.right(), 386);
    EXPECT_GE(version.top(), 2);
    EXPECT_LE(version.top(), 6);
    const QRect copyright = inkIn(image, QRect(200, 188, 200, 17));
    ASSERT_FALSE(copyright.isEmpty());
    EXPECT_LE(copyright.right(), 392);
    EXPECT_GE(copyright.right(), 386);
    EXPECT_LE(copyright.bottom(), 202);
    EXPECT_GE(copyright.bottom(), 196);
    // The program's name is part of the picture, at the top left, in black.
    EXPECT_FALSE(inkIn(image, QRect(0, 0, 120, 40)).isEmpty());
}

// Whether the window system activates the splash is up to the platform; the
// offscreen one used here activates every window it shows, so the tests check
// what the splash asks for (no focus, shown without activating) instead.

TEST(SplashTimers, RealCourseTakesAboutThreeAndAHalfSeconds) {
    auto* screen = new splash::SplashScreen();
    QPointer<splash::SplashScreen> alive(screen);
    QSignalSpy finished(screen, &splash::SplashScreen::finished);
    QElapsedTimer clock;
    clock.start();
    screen->showSplash();
    ASSERT_TRUE(finished.wait(8000));
    const qint64 elapsed = clock.elapsed();
    // 3000 ms held, about 0.25 s fading in and 0.18 s fading out.
    EXPECT_GE(elapsed, 3000 + 250 + 180 - 20);
    EXPECT_LE(elapsed, 6000);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
}

}  // namespace
