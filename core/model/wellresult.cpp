#include "core/model/wellresult.h"

#include "core/model/errors.h"
#include "core/model/numberformat.h"

namespace pleq {

const char* verdictName(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Positive: return "positive";
    case Verdict::Negative: return "negative";
    case Verdict::Doubtful: return "doubtful";
    case Verdict::None: break;
    }
    return "none";
}

QString WellResult::text() const
{
    if (!value)
        return QString();
    switch (verdict) {
    case Verdict::Negative: return numberText(*value) + QLatin1Char(' ');
    case Verdict::Doubtful: return QLatin1Char('(') + numberText(*value) + QLatin1Char(')');
    case Verdict::Positive:
    case Verdict::None: break;
    }
    return numberText(*value);
}

QString WellResult::shownText() const
{
    const QString t = text();
    return t == QLatin1String("0") ? QString() : t;
}

const char* kindName(WellKind kind)
{
    switch (kind) {
    case WellKind::Control: return "control";
    case WellKind::Sample: return "sample";
    case WellKind::Empty: break;
    }
    return "empty";
}

WellKind wellKind(const QString& layoutText)
{
    for (const QChar letter : QStringView(u"SRCO"))
        if (layoutText.contains(letter))
            return WellKind::Control;
    return sampleNumber(layoutText) ? WellKind::Sample : WellKind::Empty;
}

QString samplePart(const QString& layoutText)
{
    const qsizetype dot = layoutText.indexOf(QLatin1Char('.'));
    return dot < 0 ? layoutText : layoutText.left(dot);
}

std::optional<int> sampleNumber(const QString& layoutText)
{
    return intValue(samplePart(layoutText));
}

} // namespace pleq
