#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <string>

class QColor;
class QPainter;
class QRect;
class QWidget;

namespace vexor::cad {
class LoadBudget;
}

namespace vexor::control {

// What a drawing area shows while a file loads into it: the file's name, what the load is doing
// and a bar with the percentage done. It appears only once the load has run for a moment, so
// quick loads never flash it, and a timer polls the load's progress and repaints it, even while
// the area's painting is otherwise held back until the drawing is ready. The area paints it
// (paint) on top of whatever it shows; it goes with the object, at the load's end.
class LoadProgressOverlay : public QObject {
public:
    // How long a load runs before its progress is shown, and how often it is looked at then.
    static constexpr int kDelayMilliseconds = 300;
    static constexpr int kTickMilliseconds = 40;

    LoadProgressOverlay(QWidget& area, const std::string& path);
    ~LoadProgressOverlay() override;
    LoadProgressOverlay(const LoadProgressOverlay&) = delete;
    LoadProgressOverlay& operator=(const LoadProgressOverlay&) = delete;

    // The load's budget, whose progress is shown.
    void watch(std::shared_ptr<const cad::LoadBudget> budget);

    bool shown() const { return shown_; }
    const QString& fileName() const { return fileName_; }
    // "Reading" or "Preparing the view".
    QString activity() const;
    // The whole load's progress as shown, 0 to 1: it never falls, and follows the load's own
    // figure smoothly rather than in jumps.
    double shownFraction() const { return shownFraction_; }
    int percent() const;

    void paint(QPainter& painter, const QRect& area, const QColor& background) const;

private:
    void tick();
    double loadFraction() const;
    QRect panelRect(const QRect& area) const;
    void repaintArea(const QRect& rect);

    QWidget& area_;
    QString fileName_;
    std::shared_ptr<const cad::LoadBudget> budget_;
    QElapsedTimer sinceStart_;
    QTimer timer_;
    bool shown_ = false;
    double shownFraction_ = 0;
};

} // namespace vexor::control
