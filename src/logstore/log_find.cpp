#include "logstore/log_find.h"

#include "logstore/chunk_codec.h"
#include "logstore/find_cr.h"
#include "logstore/log_model.h"
#include "logstore/log_storage.h"
#include "text/codepage.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if !defined(__GLIBC__)
#include <functional>  // std::boyer_moore_horspool_searcher
#endif

namespace logstore {
namespace {

// One stretch of lines to scan: a sealed chunk (its compressed bytes stay in
// the store) or a copy of lines from the open chunk.
struct Piece {
    const char* packed = nullptr;
    std::size_t packedSize = 0;
    std::size_t rawSize = 0;
    std::vector<char> own;  // the lines joined by CR, when not packed
    qint64 first = 0;       // the piece's first line
    qint64 lines = 0;
    qint64 from = 0;                               // matches before this line are not reported
    std::vector<std::pair<qint64, QString>> wide;  // lines that keep their text aside
};

// A last line longer than this is scanned once it has ended.
constexpr std::size_t kLongLastLine = std::size_t{64} << 10;

struct Job {
    Piece piece;
    bool done = false;
    std::vector<qint64> hits;
};

// Case folding one byte of the code page to another, where the folded
// character is in the page too (A-Z, the Latin-1 letters, Š Œ Ž Ÿ).
std::array<std::uint8_t, 256> foldTable() {
    std::array<std::uint8_t, 256> table{};
    for (int b = 0; b < 256; ++b) {
        const char16_t folded = QChar(codepage::toUnicode(std::uint8_t(b))).toCaseFolded().unicode();
        const std::uint8_t back = codepage::fromUnicode(folded);
        table[std::size_t(b)] = codepage::toUnicode(back) == folded ? back : std::uint8_t(b);
    }
    return table;
}

const std::array<std::uint8_t, 256>& folds() {
    static const std::array<std::uint8_t, 256> table = foldTable();
    return table;
}

// The first occurrence of `needle` in [from, end), or nullptr.
const char* findBytes(const char* from, const char* end, const std::string& needle) {
#if defined(__GLIBC__)
    return static_cast<const char*>(memmem(from, std::size_t(end - from), needle.data(), needle.size()));
#else
    const char* at = std::search(from, end, std::boyer_moore_horspool_searcher(needle.begin(), needle.end()));
    return at == end ? nullptr : at;
#endif
}

// Counts the CRs in [from, to).
std::size_t countCrs(const char* from, const char* to) {
    std::size_t n = 0;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    for (; to - from >= 16; from += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        n += std::size_t(__builtin_popcount(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, cr)))));
    }
#endif
    for (; from < to; ++from) n += *from == '\r';
    return n;
}

}  // namespace

// What the workers match lines against; built once per search, read-only after.
class LineMatcher {
public:
    virtual ~LineMatcher() = default;
    // Appends the index of every line of `text` (lines joined by CR) that
    // matches to `hits`, in order. Returns false when cancelled.
    virtual bool scan(const char* text, std::size_t size, std::vector<qint64>& hits,
                      const std::atomic<bool>& cancelled) = 0;
    virtual bool matchesText(const QString& line) = 0;
    virtual std::unique_ptr<LineMatcher> clone() const = 0;
};

namespace {

class PlainMatcher : public LineMatcher {
public:
    PlainMatcher(const QString& text, bool matchCase) : text_(text), matchCase_(matchCase) {
        for (const QChar ch : text) {
            const char16_t u = ch.unicode();
            if (u == u'\t') {
                needle_.append(4, ' ');  // the log keeps a tab as four spaces
                continue;
            }
            const std::uint8_t b = codepage::fromUnicode(u);
            if (u == u'\r' || (b == '?' && u != u'?')) {
                bytesPossible_ = false;  // no stored byte line can hold it
                break;
            }
            needle_.push_back(char(matchCase ? b : folds()[b]));
        }
    }

    bool scan(const char* text, std::size_t size, std::vector<qint64>& hits,
              const std::atomic<bool>&) override {
        if (!bytesPossible_ || needle_.empty()) return true;
        if (!filterChosen_) chooseFilter(text, size);
        const char* end = text + size;
        const char* pos = text;
        qint64 line = 0;  // the line at `pos`
#if defined(__SSE2__)
        // Filter and line count in one pass: each block of sixteen places gives
        // its candidates and its CRs together.
        if (usable_) {
            const std::size_t m = needle_.size();
            const __m128i a0 = _mm_set1_epi8(char(firstBytes_[0])), a1 = _mm_set1_epi8(char(firstBytes_[1]));
            const __m128i b0 = _mm_set1_epi8(char(secondBytes_[0])),
                          b1 = _mm_set1_epi8(char(secondBytes_[1]));
            const __m128i cr = _mm_set1_epi8('\r');
            // CRs are counted per byte lane (each compare gives -1) and added
            // up every 255 blocks, or at a hit.
            __m128i lanes = _mm_setzero_si128();
            int blocks = 0;
            auto flush = [&] {
                const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
                line += _mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4);
                lanes = _mm_setzero_si128();
                blocks = 0;
            };
            while (size >= m + 15 && pos + 15 <= end - m) {
                const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pos));
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pos + first_));
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pos + second_));
                const __m128i hitA = _mm_or_si128(_mm_cmpeq_epi8(a, a0), _mm_cmpeq_epi8(a, a1));
                const __m128i hitB = _mm_or_si128(_mm_cmpeq_epi8(b, b0), _mm_cmpeq_epi8(b, b1));
                unsigned mask = unsigned(_mm_movemask_epi8(_mm_and_si128(hitA, hitB)));
                const __m128i isCr = _mm_cmpeq_epi8(here, cr);
                const char* found = nullptr;
                unsigned offset = 0;
                while (mask != 0) {
                    offset = unsigned(__builtin_ctz(mask));
                    if (standsAt(pos + offset)) {
                        found = pos + offset;
                        break;
                    }
                    mask &= mask - 1;
                }
                if (!found) {
                    lanes = _mm_sub_epi8(lanes, isCr);
                    pos += 16;
                    if (++blocks == 255) flush();
                    continue;
                }
                flush();
                const unsigned crs = unsigned(_mm_movemask_epi8(isCr));
                line += __builtin_popcount(crs & ((1u << offset) - 1));
                hits.push_back(line);
                const char* next = findCr(found, std::size_t(end - found));
                if (!next) return true;
                pos = next + 1;
                ++line;
            }
            flush();
        }
#endif
        const char* counted = pos;
        while (pos < end) {
            const char* at = this->next(pos, end);
            if (!at) break;
            line += qint64(countCrs(counted, at));
            hits.push_back(line);
            const char* cr = findCr(at, std::size_t(end - at));
            if (!cr) break;
            pos = counted = cr + 1;
            ++line;
        }
        return true;
    }

    bool matchesText(const QString& line) override {
        return !text_.isEmpty() && line.contains(text_, matchCase_ ? Qt::CaseSensitive : Qt::CaseInsensitive);
    }

    std::unique_ptr<LineMatcher> clone() const override {
        return std::make_unique<PlainMatcher>(*this);
    }

private:
    QString text_;
    bool matchCase_;
    // Whether the needle stands at `at` (which has room for it).
    bool standsAt(const char* at) const {
        if (matchCase_) return std::memcmp(at, needle_.data(), needle_.size()) == 0;
        const auto& table = folds();
        for (std::size_t i = 0; i < needle_.size(); ++i)
            if (table[std::uint8_t(at[i])] != std::uint8_t(needle_[i])) return false;
        return true;
    }

    // The bytes that fold to `folded` (one or two for the letters of the page).
    static std::vector<std::uint8_t> variantsOf(std::uint8_t folded) {
        std::vector<std::uint8_t> out;
        for (int b = 0; b < 256; ++b)
            if (folds()[std::size_t(b)] == folded) out.push_back(std::uint8_t(b));
        return out;
    }

    // Candidates are found by two bytes of the needle, sixteen places at a time:
    // the two that stand together least often in a sample of the traffic (the
    // first stretch scanned), so that few candidates need checking.
    void chooseFilter(const char* text, std::size_t size) {
        filterChosen_ = true;
        const std::size_t m = needle_.size();
        const std::size_t sample = std::min<std::size_t>(size, 64 << 10);
        auto same = [&](std::size_t at, std::uint8_t byte) {
            return matchCase_ ? byte == std::uint8_t(needle_[at])
                              : folds()[byte] == std::uint8_t(needle_[at]);
        };
        std::size_t best = SIZE_MAX;
        first_ = second_ = 0;
        for (std::size_t a = 0; a < m; ++a) {
            for (std::size_t b = (m == 1 ? a : a + 1); b < m; ++b) {
                std::size_t n = 0;
                for (std::size_t k = 0; k + m <= sample && n < best; ++k)
                    n += same(a, std::uint8_t(text[k + a])) && same(b, std::uint8_t(text[k + b]));
                if (n < best) best = n, first_ = a, second_ = b;
                if (m > 16 && b > a + 1) break;  // long needles: neighbours and ends are enough
            }
        }
        auto setVariants = [&](std::size_t at, std::array<std::uint8_t, 2>& into) {
            const std::uint8_t b = std::uint8_t(needle_[at]);
            std::vector<std::uint8_t> v = matchCase_ ? std::vector<std::uint8_t>{b} : variantsOf(b);
            if (v.size() > 2) usable_ = false;
            into = {v[0], v.size() > 1 ? v[1] : v[0]};
        };
        setVariants(first_, firstBytes_);
        setVariants(second_, secondBytes_);
    }

    // The next place in [from, end) where the needle stands, or nullptr.
    const char* next(const char* from, const char* end) const {
        const std::size_t m = needle_.size();
        if (std::size_t(end - from) < m) return nullptr;
        const char* last = end - m;  // the last place the needle fits
        const char* at = from;
#if defined(__SSE2__)
        if (usable_) {
            const __m128i a0 = _mm_set1_epi8(char(firstBytes_[0])), a1 = _mm_set1_epi8(char(firstBytes_[1]));
            const __m128i b0 = _mm_set1_epi8(char(secondBytes_[0])),
                          b1 = _mm_set1_epi8(char(secondBytes_[1]));
            for (; at + 15 <= last; at += 16) {
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + first_));
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + second_));
                const __m128i hitA = _mm_or_si128(_mm_cmpeq_epi8(a, a0), _mm_cmpeq_epi8(a, a1));
                const __m128i hitB = _mm_or_si128(_mm_cmpeq_epi8(b, b0), _mm_cmpeq_epi8(b, b1));
                unsigned mask = unsigned(_mm_movemask_epi8(_mm_and_si128(hitA, hitB)));
                while (mask != 0) {
                    const char* candidate = at + __builtin_ctz(mask);
                    if (standsAt(candidate)) return candidate;
                    mask &= mask - 1;
                }
            }
        }
#endif
        if (matchCase_) return findBytes(at, end, needle_);
        for (; at <= last; ++at)
            if (standsAt(at)) return at;
        return nullptr;
    }

    std::string needle_;  // folded when case does not matter
    bool bytesPossible_ = true;
    bool filterChosen_ = false;
    bool usable_ = true;
    std::size_t first_ = 0, second_ = 0;
    std::array<std::uint8_t, 2> firstBytes_{}, secondBytes_{};
};

class RegexMatcher : public LineMatcher {
public:
    explicit RegexMatcher(const QRegularExpression& re) : re_(re.pattern(), re.patternOptions()) {}

    bool scan(const char* text, std::size_t size, std::vector<qint64>& hits,
              const std::atomic<bool>& cancelled) override {
        decoded_.clear();
        codepage::decodeAppend(QByteArrayView(text, qsizetype(size)), decoded_);
        const QStringView all(decoded_);
        qsizetype begin = 0;
        for (qint64 line = 0;; ++line) {
            qsizetype end = all.indexOf(u'\r', begin);
            if (end < 0) end = all.size();
            if (matches(all.mid(begin, end - begin))) hits.push_back(line);
            if (end == all.size()) break;
            begin = end + 1;
            if ((line & 1023) == 1023 && cancelled.load(std::memory_order_relaxed)) return false;
        }
        return true;
    }

    bool matchesText(const QString& line) override { return re_.match(line).hasMatch(); }

    // Qt 6.5 renamed the match over a view (Debian 13's 6.8 warns on the old name).
    bool matches(QStringView line) const {
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
        return re_.matchView(line).hasMatch();
#else
        return re_.match(line).hasMatch();
#endif
    }

    std::unique_ptr<LineMatcher> clone() const override {
        return std::make_unique<RegexMatcher>(re_);
    }

private:
    QRegularExpression re_;
    QString decoded_;
};

}  // namespace

// One search: the pieces still to scan, the workers and what they found.
struct FindRun {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Job> jobs;  // from `base` on; references stay valid as it grows
    std::size_t base = 0;  // the number of the front job
    std::size_t next = 0;  // the next job a worker takes
    std::size_t published = 0;
    std::size_t firstPass = 0;  // jobs of the first pass
    std::atomic<bool> cancelled{false};
    std::atomic<std::size_t> bytesDone{0};
    std::size_t bytesTotal = 0;
    std::vector<std::thread> workers;

    void work(LineMatcher& matcher);
    void add(Piece piece) {
        {
            std::lock_guard lock(mutex);
            jobs.push_back(Job{std::move(piece), false, {}});
        }
        wake.notify_one();
    }
    void halt() {
        {
            // Set under the lock: a worker between its look at the flag and its
            // wait would otherwise miss the notification and never wake.
            std::lock_guard lock(mutex);
            cancelled = true;
        }
        wake.notify_all();
        for (std::thread& t : workers) t.join();
        workers.clear();
    }
};

void FindRun::work(LineMatcher& matcher) {
    std::vector<char> buffer;
    for (;;) {
        Job* job = nullptr;
        {
            std::unique_lock lock(mutex);
            wake.wait(lock, [&] { return cancelled.load() || next - base < jobs.size(); });
            if (cancelled) return;
            job = &jobs[next - base];
            ++next;
        }
        Piece& p = job->piece;
        std::vector<qint64> hits;
        const char* text = p.own.data();
        std::size_t size = p.own.size();
        if (p.packed) {
            bool ok = false;
            try {
                ok = decompressChunk({p.packed, p.packedSize}, p.rawSize, std::size_t(p.lines), buffer);
            } catch (const std::bad_alloc&) {
                ok = false;
            }
            text = buffer.data();
            size = ok ? buffer.size() : 0;
        }
        if (size > 0 && !matcher.scan(text, size, hits, cancelled)) return;
        // Byte lines of wide lines are empty: their text is matched instead.
        std::vector<qint64> found;
        found.reserve(hits.size() + p.wide.size());
        auto w = p.wide.begin();
        for (qint64 h : hits) {
            const qint64 line = p.first + h;
            if (line >= p.first + p.lines) break;  // a damaged chunk
            while (w != p.wide.end() && w->first < line) {
                if (w->first >= p.from && matcher.matchesText(w->second)) found.push_back(w->first);
                ++w;
            }
            if (w != p.wide.end() && w->first == line) continue;
            if (line >= p.from) found.push_back(line);
        }
        for (; w != p.wide.end(); ++w)
            if (w->first >= p.from && matcher.matchesText(w->second)) found.push_back(w->first);
        // Once the job is done the user-interface thread may take it away: nothing
        // of it is touched after that.
        bytesDone += p.packed ? p.rawSize : p.own.size();
        {
            std::lock_guard lock(mutex);
            job->hits = std::move(found);
            job->done = true;
        }
        // Give back a buffer made large by one long line.
        if (buffer.capacity() > 4 * kChunkBytes) std::vector<char>().swap(buffer);
    }
}

}  // namespace logstore

using logstore::FindRun;
using logstore::Piece;

namespace {

// The lines [from, count) of `store` as pieces: the sealed chunks that hold
// some of them, then a copy of those in the open chunk.
std::vector<Piece> piecesFrom(const logstore::LogStorage& store, qint64 from, qint64 to) {
    std::vector<Piece> out;
    const qint64 count = store.count();
    if (from >= to) return out;
    auto wideOf = [&](Piece& p) {
        for (auto it = store.wide.lower_bound(p.first);
             it != store.wide.end() && it->first < p.first + p.lines; ++it)
            p.wide.emplace_back(it->first, it->second);
    };
    if (from < store.openFirst) {
        for (std::size_t k = store.chunkOf(from); k < store.sealed.size(); ++k) {
            const logstore::SealedChunk& c = store.sealed[k];
            Piece p;
            p.packed = c.packed.bytes.get();
            p.packedSize = c.packed.size;
            p.rawSize = c.rawSize;
            p.first = store.sealedFirst[k];
            p.lines = qint64(c.lines);
            p.from = std::max(from, p.first);
            wideOf(p);
            out.push_back(std::move(p));
        }
    }
    if (!store.openStarts.empty()) {
        Piece p;
        p.first = std::max<qint64>(from, store.openFirst);
        p.from = p.first;
        p.lines = to - p.first;
        const std::size_t begin = store.openStarts[std::size_t(p.first - store.openFirst)];
        const std::size_t end =
            to < count ? store.openStarts[std::size_t(to - store.openFirst)] - 1 : store.open.size();
        p.own.assign(store.open.begin() + std::ptrdiff_t(begin), store.open.begin() + std::ptrdiff_t(end));
        wideOf(p);
        out.push_back(std::move(p));
    }
    return out;
}

}  // namespace

LogFinder::LogFinder(LogModel* model, QObject* parent) : QObject(parent), model_(model) {
    // The workers only fill in their jobs; the user-interface thread picks up
    // what they found while any job is outstanding.
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &LogFinder::collect);
    connect(model_, &LogModel::appended, this, &LogFinder::queueTail);
    connect(model_, &LogModel::aboutToRewrite, this, &LogFinder::halt);
    connect(model_, &LogModel::cleared, this, &LogFinder::restart);
    connect(model_, &LogModel::trimmed, this, &LogFinder::restart);
}

LogFinder::~LogFinder() {
    halt();
}

void LogFinder::halt() {
    poll_.stop();
    if (run_) run_->halt();
    run_.reset();
}

void LogFinder::stop() {
    halt();
    error_.clear();
    searching_ = false;
    progress_ = 0;
    const bool had = !matches_.empty();
    std::vector<qint64>().swap(matches_);
    if (had) emit matchesReset();
}

void LogFinder::restart() {
    start(query_);
}

void LogFinder::start(const Query& query) {
    stop();
    query_ = query;
    if (query.text.isEmpty()) return;

    std::unique_ptr<logstore::LineMatcher> matcher;
    if (query.regularExpression) {
        QRegularExpression re(query.text, query.matchCase ? QRegularExpression::NoPatternOption
                                                          : QRegularExpression::CaseInsensitiveOption);
        if (!re.isValid()) {
            error_ = re.errorString();
            return;
        }
        matcher = std::make_unique<logstore::RegexMatcher>(re);
    } else {
        matcher = std::make_unique<logstore::PlainMatcher>(query.text, query.matchCase);
    }

    auto run = std::make_shared<FindRun>();
    const logstore::LogStorage& store = model_->storage();
    for (Piece& p : piecesFrom(store, 0, store.count())) {
        run->bytesTotal += p.packed ? p.rawSize : p.own.size();
        run->jobs.push_back({std::move(p), false, {}});
    }
    run->firstPass = run->jobs.size();
    tailFrom_ = std::max<qsizetype>(0, store.count() - 1);
    searching_ = true;
    run_ = run;

    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    for (unsigned i = 0; i < threads; ++i) {
        std::shared_ptr<logstore::LineMatcher> own(matcher->clone());
        run->workers.emplace_back([run = run.get(), own] { run->work(*own); });
    }
    emit progressChanged(0);
    poll_.start();
}

void LogFinder::queueTail() {
    if (!run_) return;
    const logstore::LogStorage& store = model_->storage();
    const qsizetype count = store.count();
    if (count == 0) return;
    // The last line is scanned again with every batch, as it may have grown;
    // a very long one (a device that never ends its lines) waits for its end
    // instead of being copied again and again.
    const qsizetype last = count - 1;
    const bool waitForEnd = store.length(last) > qsizetype(logstore::kLongLastLine);
    for (Piece& p : piecesFrom(store, tailFrom_, waitForEnd ? last : count)) run_->add(std::move(p));
    tailFrom_ = last;
    if (!poll_.isActive()) poll_.start();
}

void LogFinder::collect() {
    if (!run_) return;
    // A slot of ours may start another search; this one stays alive until we return.
    const std::shared_ptr<FindRun> keep = run_;
    FindRun& run = *keep;
    std::vector<std::pair<qint64, std::vector<qint64>>> ready;
    bool firstPassDone = false;
    bool outstanding = false;
    {
        std::lock_guard lock(run.mutex);
        while (!run.jobs.empty() && run.jobs.front().done) {
            ready.emplace_back(run.jobs.front().piece.from, std::move(run.jobs.front().hits));
            run.jobs.pop_front();
            ++run.base;
        }
        firstPassDone = run.base >= run.firstPass;
        outstanding = !run.jobs.empty();
    }
    if (firstPassDone && !outstanding) poll_.stop();
    for (auto& [from, hits] : ready) {
        // A piece of new lines starts at the line that was last before: drop
        // what was found on it then, it may have grown since.
        const qsizetype kept = rowAtOrAfter(from);
        if (kept < matchCount()) {
            matches_.resize(std::size_t(kept));
            emit matchesRemoved(kept);
            if (run_ != keep) return;
        }
        if (hits.empty()) continue;
        const qsizetype first = matchCount();
        matches_.insert(matches_.end(), hits.begin(), hits.end());
        emit matchesAdded(first, matchCount());
        if (run_ != keep) return;
    }
    if (!searching_) return;
    const std::size_t total = run.bytesTotal;
    const int percent =
        firstPassDone ? 100 : int(total == 0 ? 99 : std::min<std::size_t>(99, run.bytesDone * 100 / total));
    if (firstPassDone) {
        searching_ = false;
        progress_ = 100;
        emit progressChanged(100);
        emit finished();
    } else if (percent != progress_) {
        progress_ = percent;
        emit progressChanged(progress_);
    }
}

qsizetype LogFinder::rowAtOrAfter(qsizetype line) const {
    return std::lower_bound(matches_.begin(), matches_.end(), qint64(line)) - matches_.begin();
}

bool LogFinder::waitUntilIdle(int msecs) {
    QDeadlineTimer deadline(msecs);
    while (!deadline.hasExpired()) {
        bool idle = !run_;
        if (run_) {
            std::lock_guard lock(run_->mutex);
            idle = run_->jobs.empty() && !searching_;
        }
        if (idle) return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return false;
}
