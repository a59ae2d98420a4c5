#include "LoadProgressOverlay.h"

#include "cad/io/LoadBudget.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace vexor::control {
namespace {

// The share of the whole load that reading takes; preparing the view takes the rest. About what
// a large drawing of lines takes on each.
constexpr double kReadingShare = 0.6;
// Each tick closes this part of the gap between the bar and the load's figure.
constexpr double kFollow = 0.35;
// Closer than this, the bar jumps to the figure.
constexpr double kClose = 0.002;

constexpr int kPanelWidth = 420;
constexpr int kPanelHeight = 92;
constexpr int kMargin = 16;
constexpr int kBarHeight = 12;

} // namespace

LoadProgressOverlay::LoadProgressOverlay(QWidget& area, const std::string& path)
    : area_(area), fileName_(QFileInfo(QString::fromStdString(path)).fileName()) {
    sinceStart_.start();
    timer_.setInterval(kTickMilliseconds);
    connect(&timer_, &QTimer::timeout, this, &LoadProgressOverlay::tick);
    timer_.start();
}

LoadProgressOverlay::~LoadProgressOverlay() {
    // What the area shows next is the drawing or the reason there is none, painted once its
    // painting is released; an area painting freely drops the panel now.
    if (shown_ && area_.updatesEnabled())
        area_.update();
}

void LoadProgressOverlay::watch(std::shared_ptr<const cad::LoadBudget> budget) {
    budget_ = std::move(budget);
}

double LoadProgressOverlay::loadFraction() const {
    if (!budget_)
        return 0;
    const cad::LoadProgress p = budget_->progress();
    return p.phase == cad::LoadPhase::Reading ? kReadingShare * p.fraction
                                              : kReadingShare + (1 - kReadingShare) * p.fraction;
}

QString LoadProgressOverlay::activity() const {
    if (budget_ && budget_->progress().phase == cad::LoadPhase::Preparing)
        return QStringLiteral("Preparing the view");
    return QStringLiteral("Reading");
}

int LoadProgressOverlay::percent() const {
    return static_cast<int>(std::floor(shownFraction_ * 100));
}

void LoadProgressOverlay::tick() {
    if (!area_.isVisible() || sinceStart_.elapsed() < kDelayMilliseconds)
        return;
    const double target = loadFraction();
    if (!shown_) {
        shown_ = true;
        shownFraction_ = target;
        // The area is cleared of what it showed before: that drawing is closed.
        repaintArea(area_.rect());
        return;
    }
    double next = shownFraction_ + (target - shownFraction_) * kFollow;
    if (target - next < kClose)
        next = target;
    shownFraction_ = std::max(shownFraction_, next);
    repaintArea(panelRect(area_.rect()));
}

void LoadProgressOverlay::repaintArea(const QRect& rect) {
    if (area_.updatesEnabled()) {
        area_.update(rect);
        return;
    }
    // The area's painting is held back until the drawing is ready; the panel is painted
    // through that, and the hold stays as it was.
    area_.setUpdatesEnabled(true);
    area_.repaint(rect);
    area_.setUpdatesEnabled(false);
}

QRect LoadProgressOverlay::panelRect(const QRect& area) const {
    const int width = std::min(kPanelWidth, area.width() - 2 * kMargin);
    const int height = std::min(kPanelHeight, area.height());
    return QRect(area.center().x() - width / 2, area.center().y() - height / 2, width, height);
}

void LoadProgressOverlay::paint(QPainter& painter, const QRect& area,
                                const QColor& background) const {
    if (!shown_)
        return;
    const QRect panel = panelRect(area);
    if (panel.width() <= 2 * kMargin || panel.height() <= 0)
        return;
    const bool light = background.lightness() > 127;
    const QColor fill = light ? QColor(248, 248, 248) : QColor(44, 44, 48);
    const QColor ink = light ? QColor(24, 24, 24) : QColor(235, 235, 235);
    const QColor accent(38, 132, 222);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(ink.red(), ink.green(), ink.blue(), 70), 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(panel).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);

    const QRect inner = panel.adjusted(kMargin, 12, -kMargin, -12);
    QFont bold = painter.font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(ink);
    const QFontMetrics boldMetrics(bold);
    painter.drawText(inner.left(), inner.top() + boldMetrics.ascent(),
                     boldMetrics.elidedText(fileName_, Qt::ElideMiddle, inner.width()));

    QFont plain = bold;
    plain.setBold(false);
    painter.setFont(plain);
    const QFontMetrics metrics(plain);
    const int line = inner.top() + boldMetrics.height() + 4;
    const QRect status(inner.left(), line, inner.width(), metrics.height());
    painter.drawText(status, Qt::AlignLeft | Qt::AlignVCenter, activity() + QStringLiteral("…"));
    painter.drawText(status, Qt::AlignRight | Qt::AlignVCenter,
                     QString::number(percent()) + QStringLiteral(" %"));

    const QRectF bar(inner.left(), inner.bottom() - kBarHeight + 1, inner.width(), kBarHeight);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(ink.red(), ink.green(), ink.blue(), 40));
    painter.drawRoundedRect(bar, 3, 3);
    if (shownFraction_ > 0) {
        painter.setBrush(accent);
        painter.drawRoundedRect(
            QRectF(bar.left(), bar.top(), bar.width() * shownFraction_, bar.height()), 3, 3);
    }
    painter.restore();
}

} // namespace vexor::control
