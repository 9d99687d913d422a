#pragma once
// The run monitor's message line: a long message takes a second line, broken
// between phrases ("…ボタンを / 押して下さい"), never inside a word as plain
// Japanese wrapping would. The label's text stays the message as it is.
#include <QLabel>
#include <QStringList>

class QFontMetrics;

namespace vel::ui {

// The message cut after its phrases: after a space, after ！ 。 、 」 when
// no particle follows, and after the particles を は が に that end a phrase.
QStringList messagePhrases(const QString& text);

// The message in lines of at most `width` pixels, made of whole phrases; a
// phrase wider than a line alone is left for the painter to cut.
QString phraseWrapped(const QString& text, const QFontMetrics& metrics, int width);

class MessageLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace vel::ui
