#pragma once
// A LogModel's content as tests compare it: its lines, and the bytes a save
// writes (CR LF after every line).

#include "logstore/log_model.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QStringList>

inline QStringList linesOf(const LogModel& m) {
    QStringList out;
    for (qsizetype i = 0; i < m.lineCount(); ++i) out.append(m.line(i));
    return out;
}

inline QByteArray savedBytes(const LogModel& m) {
    QByteArray out;
    EXPECT_TRUE(m.writeEncoded("\r\n", [&](QByteArrayView block) {
        out.append(block);
        return true;
    }));
    return out;
}
