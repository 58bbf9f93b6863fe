#pragma once

#include <QString>

#include <memory>

class QJSEngine;

// The TeX typesetter: MathJax, bundled into one script (formula-engine.js
// beside the program) and run by QJSEngine. The script is loaded on first use,
// so a program that never shows a formula never pays for it, and a missing
// script only matters when a formula is asked for.
//
// Safe with any input: a source longer than kMaxSourceLength is refused, and a
// typesetting that runs longer than the time limit (a recursive macro, say) is
// interrupted by a watchdog thread; the call then returns an error and the
// engine is loaded afresh on the next call. The two agree: MathJax's time
// grows faster than a formula's length (a plain sum twice as long takes three
// to five times as long), so the limit grows with the square of the length,
// to twice the time limit at the longest source, and the longest source is
// one that a plain sum typesets in well under that. A source holding a character the script engine
// cannot take (a NUL, half of a surrogate pair, another control character)
// is refused naming the character and its place.
//
// One engine belongs to one thread (QJSEngine's rule); the program uses
// instance() from the interface thread.
class FormulaEngine
{
public:
    // Far beyond a school formula (a system of equations is a few hundred):
    // a longer plain sum would take MathJax more than the time limit.
    static constexpr int kMaxSourceLength = 1000;
    static constexpr int kDefaultTimeLimitMs = 3000;

    struct Result
    {
        QString svg;   // the SVG document; empty on failure
        QString error; // why there is none, for the teacher; empty on success
        bool ok() const { return error.isEmpty(); }
    };

    explicit FormulaEngine(const QString& scriptPath);
    ~FormulaEngine();
    FormulaEngine(const FormulaEngine&) = delete;
    FormulaEngine& operator=(const FormulaEngine&) = delete;

    // The program's engine, on the script at scriptPath().
    static FormulaEngine& instance();
    // <folder of the executable>/formula-engine.js unless set otherwise.
    static QString scriptPath();
    // Points instance() at another script (tests); a loaded engine is dropped.
    static void setScriptPath(const QString& path);

    // Loads the script if it is not loaded yet; false with the reason (a text
    // for the teacher) when it cannot be loaded. Asked again after a failure,
    // it tries again: the file may have been put back.
    bool load(QString* error = nullptr);
    bool isLoaded() const;

    // `latex` (one inline formula) as SVG, or the reason it cannot be typeset.
    // `atMostMs`, when positive, stops it sooner than its own limit (what is
    // left of a document's time).
    Result typeset(const QString& latex, int atMostMs = 0);

    void setTimeLimit(int milliseconds);
    int timeLimit() const;
    // The time a source of `length` characters may take.
    int timeLimitFor(qsizetype length) const;

private:
    class Watchdog;
    void unload();

    QString path_;
    int timeLimitMs_ = kDefaultTimeLimitMs;
    std::unique_ptr<QJSEngine> js_;
    std::unique_ptr<Watchdog> watchdog_;
};
