#include "rtf/RtfKeywords.h"

#include <array>

namespace rtf {

namespace {

// Enum names that clash with C++ keywords carry a trailing underscore; the RTF
// word does not.
constexpr std::string_view rtfWord(std::string_view enumName)
{
    return enumName.back() == '_' ? enumName.substr(0, enumName.size() - 1) : enumName;
}

struct Entry
{
    std::string_view word;
    Kw kw = Kw::Unknown;
};

constexpr std::uint32_t hashOf(std::string_view s)
{
    std::uint32_t h = 2166136261u;
    for (const char c : s)
        h = (h ^ std::uint8_t(c)) * 16777619u;
    return h;
}

constexpr std::size_t kSlots = 1024; // a power of two, well above the keyword count

// Open addressing with linear probing: a control word is looked up for every
// formatting change, so this stays on the hot path of the reader.
class Table
{
public:
    Table()
    {
#define TIKU_RTF_KW_INSERT(name) insert(rtfWord(#name), Kw::name);
        TIKU_RTF_KEYWORDS(TIKU_RTF_KW_INSERT)
#undef TIKU_RTF_KW_INSERT
    }

    Kw find(std::string_view word) const
    {
        for (std::size_t i = hashOf(word) & (kSlots - 1);; i = (i + 1) & (kSlots - 1)) {
            const Entry& e = slots_[i];
            if (e.kw == Kw::Unknown)
                return Kw::Unknown;
            if (e.word == word)
                return e.kw;
        }
    }

private:
    void insert(std::string_view word, Kw kw)
    {
        std::size_t i = hashOf(word) & (kSlots - 1);
        while (slots_[i].kw != Kw::Unknown)
            i = (i + 1) & (kSlots - 1);
        slots_[i] = Entry{word, kw};
    }

    std::array<Entry, kSlots> slots_{};
};

} // namespace

Kw keyword(std::string_view word)
{
    static const Table table;
    return table.find(word);
}

} // namespace rtf
