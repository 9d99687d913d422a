#include "ui/trend_view.h"

#include <QCheckBox>
#include <QDateTime>
#include <QChart>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/trend_chart.h"
#include "ui/trend_chart_view.h"
#include "ui/trend_picture.h"
#include "ui/widgets.h"

namespace vel::ui {
namespace {

constexpr const char* kSpanCaptions[] = {"1 分", "10 分", "1 時間", "8 時間", "全体"};
static_assert(std::size(kSpanCaptions) == trend::kSpansMs.size());

QString saveDialog(QWidget* owner, const FileRequest& request) {
    FileDialog dialog(owner, QStringLiteral("画像保存"), QFileDialog::AcceptSave, request);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

}  // namespace

TrendView::TrendView(const trend::Store& store, MessageBox& messages, QString pictureFolder, QWidget* parent)
    : QWidget(parent), chooser(saveDialog), store_(store), messages_(messages),
      pictureFolder_(std::move(pictureFolder)) {
    setObjectName(QStringLiteral("TrendView"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);
    auto* top = new QHBoxLayout;
    top->setSpacing(2);
    column->addLayout(top);
    for (std::size_t k = 0; k < std::size(kSpanCaptions); ++k) {
        QPushButton* b = button(this, "CommandSpan", QString::fromUtf8(kSpanCaptions[k]));
        b->setObjectName(QStringLiteral("CommandSpan%1").arg(k));
        b->setCheckable(true);
        b->setFixedHeight(24);
        connect(b, &QPushButton::clicked, this, [this, k] { chooseSpan(k); });
        top->addWidget(b);
        spanButtons_.push_back(b);
    }
    top->addSpacing(8);
    checkYFixed_ = checkBox(this, "CheckYFixed", QStringLiteral("Y軸固定"));
    connect(checkYFixed_, &QCheckBox::toggled, this, [this](bool on) { setYFixed(on); });
    top->addWidget(checkYFixed_);
    top->addStretch();
    QPushButton* save = button(this, "CommandSavePicture", QStringLiteral("画像保存"));
    save->setFixedHeight(24);
    connect(save, &QPushButton::clicked, this, [this] { savePicture(); });
    top->addWidget(save);

    auto* body = new QHBoxLayout;
    body->setSpacing(4);
    column->addLayout(body, 1);
    auto* view = new TrendChartView(this);
    view->setObjectName(QStringLiteral("ChartTrend"));
    auto* chart = new QChart;
    chart_ = std::make_unique<TrendChart>(chart);
    view->setChart(chart);
    view->onZoom = [this](double factor, qint64 anchor) { zoomAt(factor, anchor); };
    view->onPan = [this](qint64 delta) { panBy(delta); };
    view->onDoubleClick = [this] { followNewest(); };
    view_ = view;
    body->addWidget(view_, 1);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("ListTrendItems"));
    list_->setFixedWidth(112);
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    connect(list_, &QListWidget::itemChanged, this, [this] { stale_ = true; });
    body->addWidget(list_);

    chooseSpan(1);
    connect(&timer_, &QTimer::timeout, this, [this] { redrawIfChanged(); });
    timer_.start(kRedrawMs);
}

TrendView::~TrendView() = default;

void TrendView::addNewItems() {
    const auto& items = store_.items();
    for (int n = list_->count(); n < static_cast<int>(items.size()); ++n) {
        const trend::Item& item = items[static_cast<std::size_t>(n)];
        auto* entry = new QListWidgetItem(itemWithUnit(item.name, item.unit));
        entry->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        entry->setCheckState(n < kShownAtStart ? Qt::Checked : Qt::Unchecked);
        entry->setForeground(trendColour(static_cast<std::size_t>(n)));
        entry->setToolTip(entry->text());
        list_->addItem(entry);
    }
}

std::vector<bool> TrendView::shownItems() const {
    std::vector<bool> shown(static_cast<std::size_t>(list_->count()));
    for (int n = 0; n < list_->count(); ++n) shown[static_cast<std::size_t>(n)] = list_->item(n)->checkState() == Qt::Checked;
    return shown;
}

void TrendView::redrawIfChanged() {
    if (!isVisible()) return;  // drawn when the tab comes up
    if (stale_ || store_.revision() != drawnRevision_) redraw();
}

void TrendView::redraw() {
    {
        const QSignalBlocker quiet(list_);  // new entries are no change of the user's choice
        addNewItems();
    }
    const qint64 now = store_.empty() ? QDateTime::currentMSecsSinceEpoch() : store_.lastMs();
    const qint64 first = store_.empty() ? now : store_.firstMs();
    const auto [from, to] = trend::shownRange(window_, first, now);
    chart_->draw(store_, shownItems(), from, to, checkYFixed_->isChecked());
    drawnFromMs_ = from;
    drawnToMs_ = to;
    drawnRevision_ = store_.revision();
    stale_ = false;
    ++drawCount_;
}

void TrendView::chooseSpan(std::size_t span) {
    trend::follow(window_, trend::kSpansMs[span]);
    for (std::size_t k = 0; k < spanButtons_.size(); ++k) spanButtons_[k]->setChecked(k == span);
    stale_ = true;
}

void TrendView::setYFixed(bool fixed) {
    if (checkYFixed_->isChecked() != fixed) checkYFixed_->setChecked(fixed);
    stale_ = true;
}

void TrendView::zoomAt(double factor, qint64 anchorMs) {
    trend::zoom(window_, store_.firstMs(), store_.lastMs(), factor, anchorMs);
    for (QPushButton* b : spanButtons_) b->setChecked(false);
    stale_ = true;
}

void TrendView::panBy(qint64 deltaMs) {
    trend::pan(window_, store_.firstMs(), store_.lastMs(), deltaMs);
    for (QPushButton* b : spanButtons_) b->setChecked(false);
    stale_ = true;
}

void TrendView::followNewest() {
    const auto k = std::find(trend::kSpansMs.begin(), trend::kSpansMs.end(), window_.spanMs) - trend::kSpansMs.begin();
    chooseSpan(static_cast<std::size_t>(k) < trend::kSpansMs.size() ? static_cast<std::size_t>(k) : 1);
}

void TrendView::savePicture() {
    if (!chooser) return;
    const QString name = QDateTime::currentDateTime().toString(QStringLiteral("'trend_'yyyyMMdd_HHmmss'.png'"));
    QString path = chooser(this, FileRequest{pictureFolder_, name, QStringLiteral("*.png"),
                                             QStringLiteral("PNGﾌｧｲﾙ(*.png)|*.png")});
    if (path.isEmpty()) return;
    if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) path += QStringLiteral(".png");
    redraw();
    const QString heading = pictureHeading(station ? station() : QString(), drawnFromMs_, drawnToMs_);
    const QImage picture = trendPicture(view_->grab().toImage(), heading, trendLegend(store_, shownItems()));
    if (!picture.save(path, "PNG")) messages_.warning(QStringLiteral("画像を保存できません！\n") + path);
}

void TrendView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    redrawIfChanged();
}

}  // namespace vel::ui
