#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What the memory tests need: large pictures made cheaply, a question body
// that claims an enormous picture, and a child process run under a memory
// limit that reports the most memory it took.
namespace memorylimits {

// A build with AddressSanitizer reserves terabytes of address space at start
// and takes more memory for the same work (shadow memory, a quarantine of
// freed blocks): no address-space limit there, and looser bounds.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif
#else
inline constexpr bool kSanitized = false;
#endif

// A bound of `kB` on the memory a run takes, in this build.
constexpr qint64 boundKb(qint64 kB)
{
    return kSanitized ? 2 * kB + 400000 : kB;
}

// A PNG of `side` x `side` RGB pixels (white with a dark diagonal) whose
// bytes differ with `variant`, so that each variant is a picture of its own.
// Decoded at full size a 5,000-pixel square takes 100 MB; as PNG 100 kB.
QByteArray largePng(int side, int variant);

// `png` as an RTF picture shown `twips` wide and high.
QByteArray rtfPicture(const QByteArray& png, int twips);

// A question body of 60 bytes whose picture claims to be 1,500,000 twips
// (2.6 km) square and holds two bytes.
QByteArray enormousPictureBody();

struct ChildRun
{
    int exitCode = -1; // -1: it did not end by itself (a signal, or stopped after two minutes)
    QByteArray out;
    QByteArray err;
    qint64 peakKb = -1; // the most memory it held at once (its peak resident set)
};

// Runs `program` with `args` under an address-space limit of `limitBytes`
// (so that a run that would take unbounded memory fails instead of taking
// the machine's; not in a sanitizer build) and reports its peak memory.
// POSIX only; elsewhere nothing is run.
ChildRun runWithMemoryLimit(const QString& program, const QStringList& args, qint64 limitBytes);

// The resident memory of this process now, and its address space, in kB;
// -1 where unknown.
qint64 residentKb();
qint64 addressSpaceKb();

} // namespace memorylimits
