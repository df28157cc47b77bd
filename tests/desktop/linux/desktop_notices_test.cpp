#include "desktop/linux/desktop_notices.h"

#include "desktop/notifications_stand_in.h"
#include "support/private_bus.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

namespace {

QImage plugImage() {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(QColor(0, 160, 0));
    image.setPixelColor(0, 0, QColor(255, 0, 0, 128));
    return image;
}

class DesktopNoticesTest : public ::testing::Test {
protected:
    void SetUp() override {
        // scripts/bootstrap installs dbus-daemon; without it these tests cannot tell anything.
        ASSERT_TRUE(bus_.running()) << "no private dbus-daemon";
        ASSERT_TRUE(daemon_.serve(bus_.connect(QStringLiteral("daemon"))));
    }

    DesktopNotice notice(const QString& text) const {
        return {
            .title = QStringLiteral("Torvik Status"), .text = text, .image = plugImage(), .expireMs = 3000};
    }

    // Lets the bus deliver until the stand-in has seen `count` calls.
    bool callsArrive(int count) {
        return QTest::qWaitFor([&] { return daemon_.calls().size() >= count; }, 3000);
    }

    PrivateBus bus_;
    NotificationsStandIn daemon_;
};

TEST_F(DesktopNoticesTest, NoticeCarriesOurNameNormalUrgencyItsTimeAndThePlugImage) {
    DesktopNotices notices(bus_.connect(QStringLiteral("program")));
    QSignalSpy delivered(&notices, &DesktopNotices::delivered);
    notices.send(notice(QStringLiteral("Device closed")));
    ASSERT_TRUE(delivered.wait(3000));
    ASSERT_EQ(daemon_.calls().size(), 1);
    const NotifyCall& call = daemon_.calls().constFirst();
    EXPECT_EQ(call.appName, "Torvik Master");
    EXPECT_EQ(call.replacesId, 0u);
    EXPECT_EQ(call.summary, "Torvik Status");
    EXPECT_EQ(call.body, "Device closed");
    EXPECT_TRUE(call.actions.isEmpty());  // actions make some desktops keep the notice up
    EXPECT_EQ(call.expireMs, 3000);

    // The urgency is a byte on the bus: 1, normal.
    const QVariant urgency = call.hints.value(QStringLiteral("urgency"));
    EXPECT_EQ(urgency.metaType().id(), QMetaType::UChar);
    EXPECT_EQ(urgency.value<uchar>(), 1);

    const QDBusArgument imageData = call.hints.value(QStringLiteral("image-data")).value<QDBusArgument>();
    ASSERT_EQ(imageData.currentSignature(), "(iiibiiay)");
    int width = 0, height = 0, stride = 0, bits = 0, channels = 0;
    bool alpha = false;
    QByteArray bytes;
    imageData.beginStructure();
    imageData >> width >> height >> stride >> alpha >> bits >> channels >> bytes;
    imageData.endStructure();
    EXPECT_EQ(width, 16);
    EXPECT_EQ(height, 16);
    EXPECT_EQ(stride, 64);
    EXPECT_TRUE(alpha);
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(channels, 4);
    ASSERT_EQ(bytes.size(), 16 * 64);
    // Red, green, blue, alpha in that order, not premultiplied.
    EXPECT_EQ(static_cast<uchar>(bytes[0]), 255);
    EXPECT_EQ(static_cast<uchar>(bytes[1]), 0);
    EXPECT_EQ(static_cast<uchar>(bytes[3]), 128);
    EXPECT_EQ(static_cast<uchar>(bytes[4 + 1]), 160);
}

TEST_F(DesktopNoticesTest, EachNoticeReplacesTheOneBefore) {
    DesktopNotices notices(bus_.connect(QStringLiteral("program")));
    QSignalSpy delivered(&notices, &DesktopNotices::delivered);
    notices.send(notice(QStringLiteral("Device opened")));
    ASSERT_TRUE(delivered.wait(3000));
    notices.send(notice(QStringLiteral("Device closed")));
    ASSERT_TRUE(delivered.wait(3000));
    ASSERT_EQ(daemon_.calls().size(), 2);
    EXPECT_EQ(daemon_.calls().at(1).replacesId, delivered.at(0).at(0).toUInt());
    EXPECT_EQ(notices.lastId(), delivered.at(1).at(0).toUInt());
}

// Notices faster than the daemon answers wait for its id, and only the newest
// of them is sent: they never stack on the screen.
TEST_F(DesktopNoticesTest, NoticesInQuickSuccessionNeverStack) {
    daemon_.setAnswer(NotificationsStandIn::Answer::Later);
    DesktopNotices notices(bus_.connect(QStringLiteral("program")));
    QSignalSpy delivered(&notices, &DesktopNotices::delivered);
    notices.send(notice(QStringLiteral("Device closed")));
    notices.send(notice(QStringLiteral("Device opened")));
    notices.send(notice(QStringLiteral("Device closed")));
    ASSERT_TRUE(callsArrive(1));
    QTest::qWait(100);
    EXPECT_EQ(daemon_.calls().size(), 1);
    EXPECT_TRUE(notices.pending());

    daemon_.setAnswer(NotificationsStandIn::Answer::Id);
    daemon_.releaseAnswers();
    ASSERT_TRUE(QTest::qWaitFor([&] { return delivered.size() == 2; }, 3000));
    ASSERT_EQ(daemon_.calls().size(), 2);
    EXPECT_EQ(daemon_.calls().at(1).replacesId, delivered.at(0).at(0).toUInt());
    EXPECT_EQ(daemon_.calls().at(1).body, "Device closed");
    EXPECT_FALSE(notices.pending());
}

TEST_F(DesktopNoticesTest, AnErrorAnswerHandsTheNoticeBackAndTheNextIsTriedAgain) {
    daemon_.setAnswer(NotificationsStandIn::Answer::Error);
    DesktopNotices notices(bus_.connect(QStringLiteral("program")));
    QSignalSpy undelivered(&notices, &DesktopNotices::undelivered);
    QSignalSpy delivered(&notices, &DesktopNotices::delivered);
    notices.send(notice(QStringLiteral("Device closed")));
    ASSERT_TRUE(undelivered.wait(3000));
    EXPECT_EQ(undelivered.at(0).at(0).value<DesktopNotice>().text, "Device closed");

    daemon_.setAnswer(NotificationsStandIn::Answer::Id);
    notices.send(notice(QStringLiteral("Device opened")));
    ASSERT_TRUE(delivered.wait(3000));
    EXPECT_EQ(undelivered.size(), 1);
}

// A daemon that never answers costs the caller nothing: send() returns at once
// and the notice comes back once the answer is overdue.
TEST_F(DesktopNoticesTest, ADaemonThatNeverAnswersHandsTheNoticeBackInTime) {
    daemon_.setAnswer(NotificationsStandIn::Answer::Never);
    DesktopNotices notices(bus_.connect(QStringLiteral("program")), 300);
    QSignalSpy undelivered(&notices, &DesktopNotices::undelivered);
    QElapsedTimer clock;
    clock.start();
    notices.send(notice(QStringLiteral("Device closed")));
    notices.send(notice(QStringLiteral("Device opened")));
    EXPECT_LT(clock.elapsed(), 100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return undelivered.size() == 2; }, 3000));
    EXPECT_GE(clock.elapsed(), 550);
    EXPECT_EQ(undelivered.at(1).at(0).value<DesktopNotice>().text, "Device opened");
}

TEST_F(DesktopNoticesTest, NoDaemonOnTheBusHandsTheNoticeBack) {
    QDBusConnection(QStringLiteral("daemon"))
        .unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    DesktopNotices notices(bus_.connect(QStringLiteral("program")));
    QSignalSpy undelivered(&notices, &DesktopNotices::undelivered);
    notices.send(notice(QStringLiteral("Device opened")));
    ASSERT_TRUE(undelivered.wait(3000));
    EXPECT_EQ(notices.lastId(), 0u);
}

TEST(DesktopNotices, NoBusHandsTheNoticeBackFromTheEventLoop) {
    DesktopNotices notices(QDBusConnection(QStringLiteral("no such connection")));
    QSignalSpy undelivered(&notices, &DesktopNotices::undelivered);
    notices.send(
        {.title = QStringLiteral("Torvik Status"), .text = QStringLiteral("Device opened"), .image = {}});
    EXPECT_EQ(undelivered.size(), 0);
    ASSERT_TRUE(undelivered.wait(1000));
    EXPECT_FALSE(notices.pending());
}

}  // namespace
