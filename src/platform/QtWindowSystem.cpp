#include "QtWindowSystem.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>

namespace vexor::platform {
namespace {

QWidget* widgetOf(WindowId id) {
    return id ? QWidget::find(static_cast<WId>(id)) : nullptr;
}

double twipsPerPixel() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return 1440.0 / (s ? s->logicalDotsPerInchY() : 96.0);
}

QSize screenPixels() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().size() : QSize(1024, 768);
}

} // namespace

void QtWindowSystem::LockWindowUpdate(WindowId window) {
    if (locked_) {
        locked_->setUpdatesEnabled(true);
        locked_->update();
        locked_ = nullptr;
    }
    if (QWidget* w = widgetOf(window)) {
        w->setUpdatesEnabled(false);
        locked_ = w;
    }
}

WindowId QtWindowSystem::FindWindowA(const std::string& title) {
    const QString wanted = QString::fromStdString(title);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowTitle() == wanted && !w->testAttribute(Qt::WA_DontShowOnScreen))
            return static_cast<WindowId>(w->winId());
    return 0;
}

void QtWindowSystem::SetWindowTextA(WindowId window, const std::string& title) {
    if (QWidget* w = widgetOf(window))
        w->setWindowTitle(QString::fromStdString(title));
}

void QtWindowSystem::ShowWindow(WindowId window, int showCommand) {
    QWidget* w = widgetOf(window);
    if (!w)
        return;
    switch (showCommand) {
    case 0:
        w->hide();
        break;
    case 1:
        w->showNormal();
        break;
    default:
        w->show();
        break;
    }
}

ScreenRect QtWindowSystem::GetWindowRect(WindowId window) {
    QWidget* w = widgetOf(window);
    if (!w)
        return {};
    const QRect r =
        w->isWindow() ? w->frameGeometry() : QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void QtWindowSystem::SetWindowPos(WindowId window, int insertAfter, int x, int y, int width,
                                  int height, unsigned flags) {
    QWidget* w = widgetOf(window);
    if (!w)
        return;
    constexpr unsigned kNoSize = 1, kNoMove = 2;
    if (!(flags & kNoMove))
        w->move(x, y);
    if (!(flags & kNoSize))
        w->resize(width, height);
    if (insertAfter == -2 || insertAfter == 0)
        w->raise();
}

ScreenPoint QtWindowSystem::GetCursorPos() {
    const QPoint p = QCursor::pos();
    return {p.x(), p.y()};
}

int QtWindowSystem::GetSystemMetrics(int index) {
    const QSize size = screenPixels();
    return index == 1 ? size.height() : size.width();
}

double QtWindowSystem::ScreenHeightTwips() {
    return screenPixels().height() * twipsPerPixel();
}
double QtWindowSystem::ScreenWidthTwips() {
    return screenPixels().width() * twipsPerPixel();
}

void QtWindowSystem::MessageBox(const std::string& text, const std::string& title,
                                MessageIcon icon) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QString::fromStdString(title));
    box.setText(QString::fromStdString(text).replace("\r\n", "\n"));
    // What a message names (a file, an address) can be copied from it.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    switch (icon) {
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

namespace {

// The pattern with each letter matching either case ("*.dwg" -> "*.[dD][wW][gG]"): file names
// on this platform are case-sensitive, drawings' extensions are not.
QString anyLetterCase(const QString& pattern) {
    QString out;
    for (const QChar c : pattern) {
        if (c.toLower() != c.toUpper())
            out += QString('[') + c.toLower() + c.toUpper() + ']';
        else
            out += c;
    }
    return out;
}

} // namespace

QString qtFileFilter(const std::string& filter, int filterIndex, QString* selected) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        // Qt takes the patterns from the last parentheses and, asked to hide them, shows the
        // label before them: the label as written, then the patterns in any letter case.
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts))
            patterns << anyLetterCase(p);
        filters << parts[i] + " (" + patterns.join(' ') + ")";
    }
    if (selected && filterIndex >= 1 && filterIndex <= filters.size())
        *selected = filters[filterIndex - 1];
    return filters.join(";;");
}

std::optional<std::string> QtWindowSystem::GetOpenFileName(const OpenFileRequest& request) {
    QString selected;
    const QString filters = qtFileFilter(request.filter, request.filterIndex, &selected);
    const QString path = QFileDialog::getOpenFileName(
        QApplication::activeWindow(), QString(), QString::fromStdString(request.initialPath),
        filters, &selected, QFileDialog::HideNameFilterDetails);
    if (path.isEmpty())
        return std::nullopt;
    return path.toStdString();
}

bool QtWindowSystem::ShellExecuteA(WindowId, const std::string&, const std::string& target, int) {
    const QUrl url(QString::fromStdString(target));
    // Where the desktop can say which program handles the address, none means it cannot open.
    const QString query = QStandardPaths::findExecutable("xdg-mime");
    if (!query.isEmpty() && !url.isLocalFile()) {
        QProcess handler;
        handler.start(query, {"query", "default", "x-scheme-handler/" + url.scheme()});
        if (handler.waitForFinished(3000) && handler.exitCode() == 0 &&
            handler.readAllStandardOutput().trimmed().isEmpty())
            return false;
    }
    return QDesktopServices::openUrl(url);
}

bool QtWindowSystem::FileExists(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    return info.exists() && info.isFile() && !info.isHidden();
}

void QtWindowSystem::DoEvents() {
    QCoreApplication::processEvents();
}

} // namespace vexor::platform
