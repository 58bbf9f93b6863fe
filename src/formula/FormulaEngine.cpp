#include "formula/FormulaEngine.h"
#include "formula/FormulaErrors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJSEngine>
#include <QJSValue>
#include <QLoggingCategory>
#include <QRegularExpression>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

// Loading evaluates about 1.6 MB of script: allowed far more time than one
// formula, but a broken script still cannot hang the program.
constexpr int kLoadTimeLimitMs = 20000;

QString& overriddenScriptPath()
{
    static QString path;
    return path;
}

std::unique_ptr<FormulaEngine>& programEngine()
{
    static std::unique_ptr<FormulaEngine> engine;
    return engine;
}

// The first character the engine cannot be given, named with its place
// (counted from 1, as a teacher counts); an empty text when there is none.
// A NUL, a lone half of a surrogate pair (no character at all) or another
// control character pasted from elsewhere would come back as a script error
// nobody can read.
QString unusableCharacter(const QString& latex)
{
    auto code = [](QChar c) {
        return u"U+"_s + u"%1"_s.arg(uint(c.unicode()), 4, 16, QChar(u'0')).toUpper();
    };
    for (qsizetype i = 0; i < latex.size(); ++i) {
        const QChar c = latex.at(i);
        if (c.isHighSurrogate() && i + 1 < latex.size() && latex.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            return u"公式里第 %1 个字符是残缺的字符（%2，不成对的代理项），无法排版。请删去它再试。"_s
                .arg(i + 1)
                .arg(code(c));
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
            return u"公式里第 %1 个字符是看不见的控制字符（%2），无法排版。请删去它再试。"_s.arg(i + 1).arg(
                code(c));
    }
    return {};
}

} // namespace

// Interrupts the engine when a call outlives its deadline. QJSEngine's
// setInterrupted is the one call meant to be made from another thread.
class FormulaEngine::Watchdog
{
public:
    explicit Watchdog(QJSEngine* engine) : engine_(engine), thread_([this] { run(); }) {}
    ~Watchdog()
    {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    void arm(int milliseconds)
    {
        {
            std::lock_guard lock(mutex_);
            deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
            armed_ = true;
            fired_ = false;
        }
        wake_.notify_one();
    }

    // True when the deadline passed before the call ended.
    bool disarm()
    {
        std::lock_guard lock(mutex_);
        armed_ = false;
        return fired_;
    }

private:
    void run()
    {
        std::unique_lock lock(mutex_);
        while (!quit_) {
            if (!armed_) {
                wake_.wait(lock);
                continue;
            }
            if (wake_.wait_until(lock, deadline_) == std::cv_status::timeout && armed_ && !quit_ &&
                std::chrono::steady_clock::now() >= deadline_) {
                fired_ = true;
                armed_ = false;
                engine_->setInterrupted(true);
            }
        }
    }

    QJSEngine* engine_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::chrono::steady_clock::time_point deadline_;
    bool armed_ = false;
    bool fired_ = false;
    bool quit_ = false;
    std::thread thread_;
};

FormulaEngine::FormulaEngine(const QString& scriptPath) : path_(scriptPath) {}

FormulaEngine::~FormulaEngine()
{
    unload();
}

FormulaEngine& FormulaEngine::instance()
{
    std::unique_ptr<FormulaEngine>& engine = programEngine();
    if (!engine) {
        engine = std::make_unique<FormulaEngine>(scriptPath());
        // Gone with the application, not after it: a QJSEngine outliving
        // QCoreApplication is not something Qt promises to handle.
        static bool routineAdded = false;
        if (!routineAdded && QCoreApplication::instance()) {
            qAddPostRoutine([] { programEngine().reset(); });
            routineAdded = true;
        }
    }
    return *engine;
}

QString FormulaEngine::scriptPath()
{
    const QString& path = overriddenScriptPath();
    return path.isEmpty() ? QCoreApplication::applicationDirPath() + u"/formula-engine.js"_s : path;
}

void FormulaEngine::setScriptPath(const QString& path)
{
    overriddenScriptPath() = path;
    programEngine().reset();
}

void FormulaEngine::unload()
{
    // The watchdog goes first: it holds a pointer to the engine.
    watchdog_.reset();
    js_.reset();
}

bool FormulaEngine::isLoaded() const
{
    return js_ != nullptr;
}

void FormulaEngine::setTimeLimit(int milliseconds)
{
    timeLimitMs_ = std::max(1, milliseconds);
}

int FormulaEngine::timeLimit() const
{
    return timeLimitMs_;
}

int FormulaEngine::timeLimitFor(qsizetype length) const
{
    const qint64 n = std::clamp<qint64>(length, 0, kMaxSourceLength);
    return int(timeLimitMs_ + qint64(timeLimitMs_) * n * n / (qint64(kMaxSourceLength) * kMaxSourceLength));
}

bool FormulaEngine::load(QString* error)
{
    if (js_)
        return true;
    const QString shown = QDir::toNativeSeparators(path_);
    auto fail = [&](const QString& text) {
        unload();
        if (error)
            *error = text;
        return false;
    };
    QFile file(path_);
    if (!QFileInfo::exists(path_))
        return fail(
            u"找不到公式排版程序“%1”，无法排版公式。请重新安装本程序；其他功能不受影响。"_s.arg(shown));
    if (!file.open(QIODevice::ReadOnly))
        return fail(u"无法读取公式排版程序“%1”：%2"_s.arg(shown, file.errorString()));
    const QString script = QString::fromUtf8(file.readAll());

    // The bundler's output declares some variables after functions that use
    // them, which is valid; Qt's script compiler warns about each one.
    QLoggingCategory::setFilterRules(u"qt.qml.compiler.warning=false"_s);
    js_ = std::make_unique<QJSEngine>();
    watchdog_ = std::make_unique<Watchdog>(js_.get());
    watchdog_->arm(kLoadTimeLimitMs);
    const QJSValue result = js_->evaluate(script, path_);
    const bool timedOut = watchdog_->disarm();
    if (timedOut)
        return fail(u"公式排版程序“%1”载入超时。"_s.arg(shown));
    if (result.isError())
        return fail(u"公式排版程序“%1”无法载入：%2"_s.arg(shown, result.toString()));
    if (!js_->globalObject().property(u"tex2svg"_s).isCallable())
        return fail(u"公式排版程序“%1”无法载入：其中没有 tex2svg。"_s.arg(shown));
    return true;
}

FormulaEngine::Result FormulaEngine::typeset(const QString& latex, int atMostMs)
{
    if (latex.size() > kMaxSourceLength)
        return {{},
                u"公式太长：最多 %1 个字符，这个公式有 %2 个。"_s.arg(kMaxSourceLength).arg(latex.size())};
    if (const QString bad = unusableCharacter(latex); !bad.isEmpty())
        return {{}, bad};
    QString error;
    if (!load(&error))
        return {{}, error};

    QJSValue tex2svg = js_->globalObject().property(u"tex2svg"_s);
    const int limit = timeLimitFor(latex.size());
    watchdog_->arm(atMostMs > 0 ? std::min(limit, atMostMs) : limit);
    const QJSValue result = tex2svg.call({QJSValue(latex)});
    if (watchdog_->disarm()) {
        // The script stopped somewhere inside MathJax; its state is not
        // trusted any more.
        unload();
        const QString stopped = u"排版这个公式超过了 %1 秒，已停止。"_s.arg(limit / 1000.0, 0, 'g', 3);
        // Only a formula that defines macros can hold one that calls itself.
        static const QRegularExpression defines(
            uR"(\\(def|edef|gdef|xdef|let|newcommand|renewcommand|newenvironment|renewenvironment)(?![A-Za-z]))"_s);
        if (defines.match(latex).hasMatch())
            return {{}, stopped + u"请检查公式里有没有自己调用自己的宏定义。"_s};
        return {{}, stopped + u"这个公式太长或太复杂，请把它拆成几个公式。"_s};
    }
    if (result.isError())
        return {{}, u"公式排版出错：%1"_s.arg(result.toString())};
    const QString message = result.property(u"error"_s).toString();
    if (!message.isEmpty())
        return {{}, u"公式有误：%1"_s.arg(chineseFormulaError(message))};
    const QString svg = result.property(u"svg"_s).toString();
    if (svg.isEmpty())
        return {{}, u"公式排版出错：没有得到图形。"_s};
    return {svg, {}};
}
