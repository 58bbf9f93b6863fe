#include "rtf/RtfReader.h"

#include "rtf/RtfBuilder.h"
#include "rtf/RtfParser.h"

#include <QTextCursor>
#include <QTextDocument>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace {

// A document this long is parsed on a second thread while this one builds
// what is parsed already: building takes longer than parsing, so the parser
// stays ahead. Below it (a question is a few kilobytes) a thread costs more
// than it saves.
constexpr qsizetype kParseAlongsideFrom = 256 * 1024;
// Top-level blocks per piece: large enough that a piece's own formats cost
// nothing, small enough that building starts at once.
constexpr std::size_t kBlocksPerPiece = 256;

// The pieces parsed and not yet built, in order.
class Pieces
{
public:
    void put(rtf::Content&& piece)
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            pieces_.push_back(std::move(piece));
        }
        ready_.notify_one();
    }

    void finish(rtf::Content&& last)
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            pieces_.push_back(std::move(last));
            finished_ = true;
        }
        ready_.notify_one();
    }

    // The next piece, waiting for it; nothing once the last was taken.
    std::optional<rtf::Content> take()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return !pieces_.empty() || finished_; });
        if (pieces_.empty())
            return std::nullopt;
        rtf::Content piece = std::move(pieces_.front());
        pieces_.pop_front();
        return piece;
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<rtf::Content> pieces_;
    bool finished_ = false;
};

// False when no thread could be started; nothing is built then.
bool buildAlongsideParsing(const QByteArray& rtf, QTextCursor& cursor)
{
    Pieces pieces;
    std::thread parser;
    try {
        parser = std::thread([&rtf, &pieces] {
            const std::function<void(rtf::Content &&)> put = [&pieces](rtf::Content&& piece) {
                pieces.put(std::move(piece));
            };
            pieces.finish(rtf::parse(rtf, put, kBlocksPerPiece));
        });
    } catch (const std::system_error&) {
        return false; // out of threads: read in one piece
    }
    // The parser never waits for the builder, so it always ends.
    struct Join
    {
        std::thread& thread;
        ~Join() { thread.join(); }
    } join{parser};
    bool fresh = true;
    while (std::optional<rtf::Content> piece = pieces.take()) {
        rtf::Builder builder(*piece, cursor.document());
        fresh = builder.continueDocument(cursor, fresh);
    }
    return true;
}

} // namespace

void RtfReader::read(const QByteArray& rtf, QTextDocument* doc)
{
    if (!doc)
        return;
    // Loading is not an edit the user can undo; the undo stack would only cost
    // time and memory.
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    {
        QTextCursor cursor(doc);
        cursor.beginEditBlock();
        if (rtf.size() < kParseAlongsideFrom || !buildAlongsideParsing(rtf, cursor)) {
            const rtf::Content content = rtf::parse(rtf);
            rtf::Builder builder(content, doc);
            builder.buildDocument(cursor);
        }
        cursor.endEditBlock();
    }
    doc->setUndoRedoEnabled(undo);
}

void RtfReader::insert(const QByteArray& rtf, QTextCursor& cursor)
{
    if (cursor.isNull())
        return;
    const rtf::Content content = rtf::parse(rtf);
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    rtf::Builder builder(content, cursor.document());
    builder.insert(cursor);
    cursor.endEditBlock();
}
