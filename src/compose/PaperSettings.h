#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// The sheet a paper is printed on.
enum class PaperFormat {
    A4, // A4 portrait, one column
    A3, // A3 landscape, two columns of A4 width
    K8, // 8K (260 × 370 mm) landscape, two columns
};

// How a paper and its answer key are laid out.
struct PaperSettings
{
    PaperFormat format = PaperFormat::A3;
    QStringList title{}; // the title lines: school, term, subject
    int fullMarks = 0;   // 0: the sum of the sections
    int minutes = 120;
    bool scoreTable = true;
    QStringList notes{}; // 注意事项, one a line; none: no notes
    // Sections in this order; a type not listed follows in the order met.
    QStringList sectionOrder{};
    QMap<QString, int> points{}; // points per question, by type; 0 or missing: none shown
    double answerSpaceMm = 40;   // room left for the answer after each question of these types
    QStringList answerSpaceTypes{};
    bool compactChoices = true; // choice answers gathered in a table in the answer key

    static PaperSettings defaults();
    bool operator==(const PaperSettings&) const = default;
};

// The 注意事项 printed unless others are chosen: they tell the student where
// the name goes, which depends on the sheet.
QStringList defaultPaperNotes(PaperFormat format);
// Notes that are the defaults of another sheet become those of this one; any
// other notes stay as they are.
void matchNotesToFormat(PaperSettings* settings);

// Reads an options file: UTF-8 lines `key=value`; blank lines and lines
// starting with # are skipped. Keys: format (A4, A3, 8K), title (repeated, one
// line each), full_marks, minutes, score_table (yes/no), note (repeated),
// sections (types separated by commas), points.<type>, answer_space (mm),
// answer_space_types, compact_choices (yes/no). Settings not given keep their
// defaults, and the default notes follow the format (matchNotesToFormat()).
// False with `error` naming the line on a bad line.
bool readPaperSettings(const QByteArray& text, PaperSettings* settings, QString* error);

// The same settings as an options file that readPaperSettings() reads back.
QByteArray writePaperSettings(const PaperSettings& settings);

// The settings a teacher chose last in the composers, kept between runs in
// the user's settings of this program (tiku.ini under QingTong in the user's
// configuration folder). What cannot be read there gives the defaults.
PaperSettings rememberedPaperSettings();
void rememberPaperSettings(const PaperSettings& settings);
// Keeps them, with the program's other settings (setProgramSettingsFile), in
// `iniPath` instead; the empty path goes back to the user's settings. Tests
// use a file of their own, never the user's.
void setPaperSettingsFile(const QString& iniPath);

// 一, 二, ... 九十九: the numbers of sections and of the score table.
QString chineseNumeral(int n);
