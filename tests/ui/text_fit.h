#pragma once
// Finds the captions a window cuts: each visible label's text measured with
// its font against its width (a wrapping label against its height), each
// button against the width its caption asks for, each frame's title against
// the frame, labels under a button and buttons that touch.
#include <QAbstractButton>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

namespace vel::test {

inline QString nameOf(const QWidget* w, const QString& text) {
    return (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName()) +
           " \"" + text + "\"";
}

inline QStringList cutCaptions(const QWidget* root) {
    QStringList cut;
    QList<const QWidget*> buttons;
    QList<const QWidget*> labels;
    for (const QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root)) continue;
        const QFontMetrics fm(w->font());
        if (const auto* l = qobject_cast<const QLabel*>(w)) {
            if (l->text().isEmpty() || l->text().size() <= 1) continue;  // the lamp and its ring
            const QRect area = l->contentsRect();
            const QSize need = l->wordWrap()
                                   ? fm.boundingRect(QRect(0, 0, area.width(), 10000), Qt::TextWordWrap, l->text()).size()
                                   : fm.size(Qt::TextShowMnemonic, l->text());
            if (need.width() > area.width() || need.height() > area.height())
                cut << nameOf(w, l->text()) + QStringLiteral(" needs %1x%2, has %3x%4")
                                                  .arg(need.width()).arg(need.height())
                                                  .arg(area.width()).arg(area.height());
            labels << w;
        } else if (const auto* b = qobject_cast<const QAbstractButton*>(w)) {
            if (b->text().isEmpty()) continue;
            // A push button's hint has a style minimum above its caption's
            // needs; its caption wants the text and the bevel's margins.
            const int need = qobject_cast<const QPushButton*>(b)
                                 ? fm.size(Qt::TextShowMnemonic, b->text()).width() + 8
                                 : b->sizeHint().width();
            if (b->width() < need)
                cut << nameOf(w, b->text()) + QStringLiteral(" needs width %1, has %2").arg(need).arg(b->width());
            buttons << w;
        } else if (const auto* g = qobject_cast<const QGroupBox*>(w)) {
            if (!g->title().isEmpty() && fm.horizontalAdvance(g->title()) > g->width() - 8)
                cut << nameOf(w, g->title()) + " title wider than its frame";
        }
    }
    // Buttons side by side keep a gap of at least 2 pixels.
    auto overlaps = [&](const QWidget* a, const QWidget* b, int gap) {
        return a != b && a->parentWidget() == b->parentWidget() &&
               a->geometry().adjusted(-gap, 0, gap, 0).intersects(b->geometry());
    };
    for (const QWidget* b : buttons) {
        const QString name = nameOf(b, qobject_cast<const QAbstractButton*>(b)->text());
        for (const QWidget* other : buttons)
            if (b < other && overlaps(b, other, 2)) cut << name + " touches " + other->objectName();
        for (const QWidget* other : labels)
            if (overlaps(b, other, 0)) cut << name + " lies over " + other->objectName();
    }
    return cut;
}

}  // namespace vel::test
