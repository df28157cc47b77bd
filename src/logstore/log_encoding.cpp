// Handing the log out as the code page's bytes, for saving.
#include "logstore/log_model.h"

#include "logstore/block_pipe.h"
#include "logstore/lines_to_text.h"
#include "logstore/log_storage.h"
#include "text/codepage.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <thread>

using namespace logstore;

namespace {

using Sink = std::function<bool(QByteArrayView block)>;

// Gathers bytes into blocks of about a megabyte for the pipe.
class BlockWriter {
public:
    explicit BlockWriter(BlockPipe& pipe) : pipe_(pipe) { block_.resize(kBlock); }

    bool put(const char* data, std::size_t n) {
        if (used_ + n <= kBlock) {  // most lines fit: one copy straight in
            std::memcpy(block_.data() + used_, data, n);
            used_ += n;
            return true;
        }
        while (n > 0) {
            if (used_ == kBlock && !flush()) return false;
            const std::size_t k = std::min(n, kBlock - used_);
            std::memcpy(block_.data() + used_, data, k);
            used_ += k;
            data += k;
            n -= k;
        }
        return true;
    }
    // Room for `n` bytes written in place, flushing first when needed; nullptr
    // when the block cannot hold them.
    char* room(std::size_t n) {
        if (used_ + n > kBlock && used_ > 0 && !flush()) return nullptr;
        return n <= kBlock ? block_.data() + used_ : nullptr;
    }
    void wrote(std::size_t n) { used_ += n; }
    bool flush() {
        if (used_ == 0) return true;
        const bool sent = pipe_.pass(block_, used_);
        used_ = 0;
        block_.resize(kBlock);
        return sent;
    }
    // Hands on `large` (its first `n` bytes) after what was gathered.
    bool send(std::vector<char>& large, std::size_t n) { return flush() && pipe_.pass(large, n); }

private:
    static constexpr std::size_t kBlock = std::size_t{1} << 20;
    BlockPipe& pipe_;
    std::vector<char> block_;
    std::size_t used_ = 0;
};

// Copies lines joined by CR with every CR turned into `lineEnd`: into the
// block when they fit, else through `large` on their own.
bool putJoined(BlockWriter& out, std::span<const char> bytes, std::size_t breaks, QByteArrayView lineEnd,
               std::vector<char>& large) {
    const std::size_t room = bytes.size() + breaks * std::size_t(lineEnd.size()) + kCopySlack;
    char* to = out.room(room);
    if (!to) {
        large.resize(room);
        to = large.data();
    }
    const std::ptrdiff_t written = copyLinesAsBytes(bytes, breaks, lineEnd, to);
    if (written < 0) return false;
    if (to != large.data()) {
        out.wrote(std::size_t(written));
        return true;
    }
    const bool sent = out.send(large, std::size_t(written));
    std::vector<char>().swap(large);
    return sent;
}

// A sealed chunk without wide lines goes out whole, piece by piece, CRs turned
// into line ends on the way: no line index, no call per line.
// `started` tells whether any of it went out.
bool putWholeChunk(BlockWriter& out, const SealedChunk& c, QByteArrayView lineEnd, std::vector<char>& scratch,
                   std::vector<char>& large, bool& started) {
    std::size_t breaks = 0;
    const bool whole = decompressChunkPieces(c.packed.view(), c.rawSize, c.lines, scratch, [&](auto piece) {
        started = true;
        // Only a chunk made long by one line comes in several pieces.
        const std::size_t inPiece = piece.size() == c.rawSize
                                        ? c.lines - 1
                                        : std::size_t(std::count(piece.begin(), piece.end(), '\r'));
        breaks += inPiece;
        return breaks < c.lines && putJoined(out, piece, inPiece, lineEnd, large);
    });
    // The chunk's last line ends too.
    return whole && breaks == c.lines - 1 && out.put(lineEnd.data(), std::size_t(lineEnd.size()));
}

}  // namespace

void LogModel::appendEncodedLine(qsizetype index, QByteArray& out) const {
    if (d_->isWide(index)) {
        out.append(codepage::encode(d_->wide.at(index)));
        return;
    }
    const ByteLine bytes = d_->bytesOf(index);
    out.append(bytes.data, static_cast<qsizetype>(bytes.size));
}

namespace {

// Encodes the whole log into `pipe`; false when a chunk cannot be read or the
// writing side stopped.
bool encodeLog(const LogStorage& s, QByteArrayView lineEnd, BlockPipe& pipe) {
    BlockWriter out(pipe);
    const auto endSize = std::size_t(lineEnd.size());
    // Lines one by one, wide ones encoded on the way.
    auto putLines = [&](qsizetype first, const JoinedLines& lines) {
        for (std::size_t j = 0; j < lines.count(); ++j) {
            const qsizetype line = first + qsizetype(j);
            if (!s.wide.empty() && s.isWide(line)) {
                const QByteArray encoded = codepage::encode(s.wide.at(line));
                if (!out.put(encoded.constData(), std::size_t(encoded.size()))) return false;
            } else if (!out.put(lines.text + lines.begin(j), lines.length(j))) {
                return false;
            }
            if (!out.put(lineEnd.data(), endSize)) return false;
        }
        return true;
    };
    std::vector<char> scratch;
    std::vector<char> large;
    for (std::size_t k = 0; k < s.sealed.size(); ++k) {
        const SealedChunk& c = s.sealed[k];
        // A chunk that cannot be read fails the write rather than leaving lines out of the file.
        if (!s.holdsWide(s.sealedFirst[k], qsizetype(c.lines))) {
            bool sent = true;
            bool started = false;
            const Decoded whole = s.retryingOnMemory([&] {
                if (started) return false;  // part of it went out already: no second try
                sent = putWholeChunk(out, c, lineEnd, scratch, large, started);
                return true;
            });
            if (whole != Decoded::Done || !sent) return false;
            continue;
        }
        DecodedChunk chunk;
        const Decoded decoded =
            s.retryingOnMemory([&] { return decodeChunk(c.packed.view(), c.rawSize, c.lines, chunk); });
        if (decoded != Decoded::Done || !putLines(s.sealedFirst[k], chunk.lines())) return false;
    }
    return putLines(s.openFirst, s.openLines()) && out.flush();
}

}  // namespace

bool LogModel::writeEncoded(QByteArrayView lineEnd, const Sink& sink) const {
    // The chunks are decoded on a thread of their own while the caller's
    // thread writes; the caller waits here, so nothing else reads the store.
    BlockPipe pipe;
    bool encoded = false;
    auto encode = [&](BlockPipe& into) {
        try {
            encoded = encodeLog(*d_, lineEnd, into);
        } catch (const std::bad_alloc&) {
            encoded = false;
        }
        into.close(encoded);
    };
    std::thread encoder;
    try {
        encoder = std::thread(encode, std::ref(pipe));
    } catch (const std::system_error&) {
        BlockPipe direct(&sink);
        encode(direct);
        return encoded;
    }
    const bool written = pipe.drain(sink);
    encoder.join();
    return written && encoded;
}
