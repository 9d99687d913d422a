#include "ui/message_label.h"

#include <QFontMetrics>
#include <QPainter>

namespace vel::ui {
namespace {

bool endsPhrase(QChar c, QChar next) {
    static const QString kParticles = QStringLiteral("をはがに");
    static const QString kMarks = QStringLiteral("！。、」");
    if (c == u' ' || c == u'　') return true;
    if (kParticles.contains(c)) return true;
    return kMarks.contains(c) && !kParticles.contains(next) && next != u'」' && !next.isNull() &&
           !(c == u'」' && next.category() == QChar::Letter_Other);
}

}  // namespace

QStringList messagePhrases(const QString& text) {
    QStringList phrases;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (!next.isNull() && endsPhrase(text[i], next)) {
            phrases << text.mid(start, i + 1 - start);
            start = i + 1;
        }
    }
    if (start < text.size()) phrases << text.mid(start);
    return phrases;
}

QString phraseWrapped(const QString& text, const QFontMetrics& metrics, int width) {
    QString out;
    QString line;
    for (const QString& phrase : messagePhrases(text)) {
        if (!line.isEmpty() && metrics.horizontalAdvance(line + phrase.trimmed()) > width) {
            out += line.trimmed() + u'\n';
            line.clear();
        }
        line += phrase;
    }
    return out + line.trimmed();
}

void MessageLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(foregroundRole()));
    const QRect area = contentsRect();
    painter.drawText(area, static_cast<int>(alignment()), phraseWrapped(text(), fontMetrics(), area.width()));
}

}  // namespace vel::ui
