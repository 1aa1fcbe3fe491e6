#include "platform/ui/Mnemonics.h"

#include <QAction>
#include <QSet>
#include <QVariant>

namespace ui {

namespace {

// The character after a single "&" ("&&" is a literal ampersand), or a null character.
QChar MnemonicOf(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) continue;
        if (text[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return text[i + 1].toLower();
    }
    return QChar();
}

bool HasAmpersand(const QString& text) { return text.contains(QLatin1Char('&')); }

constexpr char kCaptionText[] = "vlmrkCaptionText";

QString CaptionTextOf(const QAction* action) {
    const QVariant caption = action->property(kCaptionText);
    return caption.isValid() ? caption.toString() : action->text();
}

}  // namespace

QStringList WithMnemonics(const QStringList& texts) {
    QSet<QChar> used;
    for (const QString& text : texts)
        if (QChar c = MnemonicOf(text); !c.isNull()) used.insert(c);
    QStringList result = texts;
    for (QString& text : result) {
        if (HasAmpersand(text) || text.isEmpty()) continue;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i].toLower();
            if (!text[i].isLetterOrNumber() || used.contains(c)) continue;
            used.insert(c);
            text.insert(i, QLatin1Char('&'));
            break;
        }
    }
    return result;
}

void SetCaptionText(QAction* action, const QString& text, bool show) {
    if (!action) return;
    action->setProperty(kCaptionText, text);
    if (show) action->setText(text);
}

void AssignMnemonics(const QList<QAction*>& actions) {
    QList<QAction*> named;
    QStringList texts;
    for (QAction* action : actions) {
        if (!action || action->isSeparator()) continue;
        named << action;
        texts << CaptionTextOf(action);
    }
    const QStringList marked = WithMnemonics(texts);
    for (qsizetype i = 0; i < named.size(); ++i)
        if (named[i]->text() != marked[i]) named[i]->setText(marked[i]);
}

}  // namespace ui
