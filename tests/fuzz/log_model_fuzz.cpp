// The log model against a plain list of lines: random batches (long runs too,
// so lines cross the store's internal boundaries), Clear, trimming, reads of
// lines, slices and characters, and the encoded forms. Only the model's public
// interface is used, so its storage may change freely underneath.
#include "fuzz/fuzz_check.h"
#include "logstore/log_model.h"
#include "text/codepage.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

// What the log must show: each CR ends a line, a TAB is four spaces, anything
// else (LF included) is text of its line.
struct ReferenceLog {
    std::vector<QString> lines;

    void append(const QString& batch) {
        if (lines.empty()) lines.emplace_back();
        const QList<QStringView> pieces = QStringView(batch).split(u'\r');
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            if (i > 0) lines.emplace_back();
            lines.back() += pieces[i].toString().replace(u'\t', QStringLiteral("    "));
        }
    }
    void trim() {
        for (QString& line : lines) {
            qsizetype n = line.size();
            while (n > 0 && line[n - 1].unicode() <= 0x20) --n;
            line.truncate(n);
        }
    }
    qsizetype longest() const {
        qsizetype n = 0;
        for (const QString& line : lines) n = std::max(n, line.size());
        return n;
    }
};

// Characters that matter to the model, picked often; otherwise any code unit.
char16_t pickChar(FuzzedDataProvider& in) {
    static constexpr char16_t kSpecial[] = {u'\r', u'\n', u'\t', u' ', u'a',   u'0',   0x00,   0x1F,
                                            0x7F,  0x81,  0xA0,  0xFF, 0x20AC, 0x4E2D, 0xD83D, 0xDE00};
    const std::uint8_t selector = in.ConsumeIntegral<std::uint8_t>();
    if (selector < 200) return kSpecial[selector % std::size(kSpecial)];
    return in.ConsumeIntegral<char16_t>();
}

constexpr qsizetype kMaxTotal = 400'000;  // characters per input, to keep runs quick

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    LogModel model;
    ReferenceLog ref;
    int appended = 0, cleared = 0, trimmed = 0;
    QObject::connect(&model, &LogModel::appended, [&] { ++appended; });
    QObject::connect(&model, &LogModel::cleared, [&] { ++cleared; });
    QObject::connect(&model, &LogModel::trimmed, [&] { ++trimmed; });
    qsizetype total = 0;
    int saves = 0;
    int copies = 0;

    while (in.remaining_bytes() > 0) {
        // Mostly short batches: a long run costs far more than everything else.
        switch (in.ConsumeIntegralInRange(0, 10)) {
            case 7:
            case 8:
            case 9:
            case 0: {  // a received batch
                QString batch;
                const int n = in.ConsumeIntegralInRange(0, 48);
                for (int i = 0; i < n; ++i) batch += QChar(pickChar(in));
                const int before = appended;
                model.append(batch);
                ref.append(batch);
                FUZZ_CHECK(appended == before + 1);
                total += batch.size();
                break;
            }
            case 1: {  // a long run of one character (a long line, not many lines), then maybe a line end
                char16_t ch = pickChar(in);
                if (ch == u'\r') ch = u' ';
                const qsizetype n = in.ConsumeIntegralInRange<qsizetype>(0, 300'000);
                if (total + n > kMaxTotal) break;
                QString batch(n, QChar(ch));
                if (in.ConsumeBool()) batch += u'\r';
                model.append(batch);
                ref.append(batch);
                total += batch.size();
                break;
            }
            case 2: {
                const int before = cleared;
                model.clear();
                ref.lines.clear();
                FUZZ_CHECK(cleared == before + 1 && model.lineCount() == 0 && model.maxLineLength() == 0);
                break;
            }
            case 3: {
                const int before = trimmed;
                model.trimTrailingBlanks();
                ref.trim();
                FUZZ_CHECK(trimmed == before + 1);
                FUZZ_CHECK(model.maxLineLength() == ref.longest());
                break;
            }
            case 4: {  // reads of one line
                FUZZ_CHECK(model.lineCount() == qsizetype(ref.lines.size()));
                if (ref.lines.empty()) break;
                const qsizetype i = in.ConsumeIntegralInRange<qsizetype>(0, model.lineCount() - 1);
                const QString& want = ref.lines[std::size_t(i)];
                FUZZ_CHECK(model.lineLength(i) == want.size());
                const qsizetype from = in.ConsumeIntegral<std::int32_t>();
                const qsizetype count = in.ConsumeIntegral<std::int32_t>();
                const qsizetype f = std::clamp<qsizetype>(from, 0, want.size());
                FUZZ_CHECK(model.lineSlice(i, from, count) ==
                           want.mid(f, std::clamp<qsizetype>(count, 0, want.size() - f)));
                if (!want.isEmpty()) {
                    const qsizetype column = in.ConsumeIntegralInRange<qsizetype>(0, want.size() - 1);
                    FUZZ_CHECK(model.charAt(i, column) == want[column]);
                }
                QByteArray encoded("prefix");
                model.appendEncodedLine(i, encoded);
                FUZZ_CHECK(encoded == "prefix" + codepage::encode(want));
                break;
            }
            case 5: {                    // the whole log encoded, maybe with a sink that gives up
                if (++saves > 2) break;  // each save sets up a large block: keep runs quick
                const QByteArray lineEnd = QByteArray::fromStdString(in.ConsumeBytesAsString(2));
                const int acceptBlocks = in.ConsumeIntegralInRange(0, 3);
                QByteArray got;
                int blocks = 0;
                const bool complete = model.writeEncoded(lineEnd, [&](QByteArrayView block) {
                    FUZZ_CHECK(!block.isEmpty());
                    if (blocks++ == acceptBlocks) return false;
                    got += block;
                    return true;
                });
                QByteArray want;
                for (const QString& line : ref.lines) want += codepage::encode(line) + lineEnd;
                if (complete) {
                    FUZZ_CHECK(got == want);
                } else {
                    FUZZ_CHECK(blocks == acceptBlocks + 1 && want.startsWith(got) &&
                               got.size() < want.size());
                }
                break;
            }
            case 6:
                FUZZ_CHECK(model.maxLineLength() == ref.longest());
                break;
            case 10: {  // a range copied as text, with a line break of up to three characters
                if (ref.lines.empty() || ++copies > 20) break;
                const qsizetype last = qsizetype(ref.lines.size()) - 1;
                qsizetype fromLine = in.ConsumeIntegralInRange<qsizetype>(0, last);
                qsizetype toLine = in.ConsumeIntegralInRange<qsizetype>(0, last);
                if (fromLine > toLine) std::swap(fromLine, toLine);
                const qsizetype fromColumn = in.ConsumeIntegralInRange<qsizetype>(-2, 100);
                const qsizetype toColumn = in.ConsumeIntegralInRange<qsizetype>(-2, 400'000);
                QString lineBreak;
                for (int k = in.ConsumeIntegralInRange(0, 3); k > 0; --k) lineBreak += QChar(pickChar(in));
                QString got = QStringLiteral("kept");
                model.appendText(fromLine, fromColumn, toLine, toColumn, lineBreak, got);
                QString want = QStringLiteral("kept");
                for (qsizetype i = fromLine; i <= toLine; ++i) {
                    if (i != fromLine) want += lineBreak;
                    const QString& line = ref.lines[std::size_t(i)];
                    const qsizetype a = std::clamp<qsizetype>(i == fromLine ? fromColumn : 0, 0, line.size());
                    const qsizetype b =
                        std::clamp<qsizetype>(i == toLine ? toColumn : line.size(), a, line.size());
                    want += QStringView(line).mid(a, b - a);
                }
                FUZZ_CHECK(got == want);
                break;
            }
        }
    }

    FUZZ_CHECK(model.lineCount() == qsizetype(ref.lines.size()));
    FUZZ_CHECK(model.maxLineLength() == ref.longest());
    for (qsizetype i = 0; i < model.lineCount(); ++i) FUZZ_CHECK(model.line(i) == ref.lines[std::size_t(i)]);
    return 0;
}
