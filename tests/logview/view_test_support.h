#pragma once
// A shown, focused log view over its own model for widget tests.

#include "logstore/log_model.h"
#include "logview/log_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>

class LogViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(640, 400);
        view.show();
        view.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
        view.setFocus();
        QApplication::processEvents();
    }

    // Runs the event loop's passes that follow a batch: scroll bars, then layout.
    static void settle() {
        for (int pass = 0; pass < 3; ++pass) QApplication::processEvents();
    }
    QImage grab() {
        settle();
        return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    // Viewport point of a cell's centre.
    QPoint cellCentre(qsizetype line, qsizetype column) const {
        const auto& m = view.metrics();
        return QPoint(
            logview::kTextLeft + int(column - view.state().firstColumn()) * m.cellWidth + m.cellWidth / 2,
            int(line - view.state().firstLine()) * m.lineHeight + m.lineHeight / 2);
    }
    void appendLines(int count, const QString& prefix = QStringLiteral("line ")) {
        QString text;
        for (int i = 0; i < count; ++i) text += prefix + QString::number(i) + u'\r';
        model.append(text);
        settle();
    }

    LogModel model;
    LogView view{&model};
};
