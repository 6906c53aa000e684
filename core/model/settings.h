#pragma once

#include <QString>
#include <QStringList>

namespace pleq {

// The material the sample came from, for the kits that judge by it.
enum class Material { Milk, Serum }; // "Молоко", "Сыворотка"

// How a setting's number is written in its box and in the project file.
enum class Spelling { Number, TwoDigits, RowLetter }; // "7", "03", "C"

// A setting chosen from a box's list of the numbers Least..Most, held as its
// number. A project file can hold a text that spells none of them (a file
// written by hand: "1" for "01", "x"): such a text is kept as it was read,
// so that the window shows it as it is and the file is saved back unchanged;
// the fill reads its number from that text or refuses it.
template<Spelling S, int Least, int Most> class ListedSetting
{
public:
    constexpr ListedSetting(int number = Least)
        : m_number(number)
    {
        Q_ASSERT(number >= Least && number <= Most);
    }

    // The setting a file's text means: the item it spells, or the text itself.
    static ListedSetting fromText(const QString& text)
    {
        for (int n = Least; n <= Most; ++n)
            if (spell(n) == text)
                return ListedSetting(n);
        ListedSetting setting;
        setting.m_number = 0;
        setting.m_text = text;
        return setting;
    }
    // The box's items, in its order.
    static QStringList items()
    {
        QStringList texts;
        for (int n = Least; n <= Most; ++n)
            texts.append(spell(n));
        return texts;
    }
    static QString spell(int number)
    {
        switch (S) {
        case Spelling::RowLetter: return QString(QLatin1Char(char('A' + number - 1)));
        case Spelling::TwoDigits: return QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
        case Spelling::Number: break;
        }
        return QString::number(number);
    }

    // Whether it is one of the list's numbers; a file's other text is not.
    bool listed() const { return m_number != 0; }
    int number() const
    {
        Q_ASSERT(listed());
        return m_number;
    }
    // As the box shows it and the file holds it.
    QString text() const { return listed() ? spell(m_number) : m_text; }

    friend bool operator==(const ListedSetting&, const ListedSetting&) = default;

private:
    int m_number; // 0: a file's text off the list
    QString m_text;
};

using FirstRow = ListedSetting<Spelling::RowLetter, 1, 8>;    // "A".."H"
using FirstColumn = ListedSetting<Spelling::Number, 1, 12>;   // "1".."12"
using ControlCount = ListedSetting<Spelling::Number, 1, 12>;  // "1".."12"
using Repetitions = ListedSetting<Spelling::TwoDigits, 1, 3>; // "01".."03"

// The well the next fill starts from.
struct FirstWell {
    FirstRow row;
    FirstColumn column;
    friend bool operator==(const FirstWell&, const FirstWell&) = default;
};

} // namespace pleq
