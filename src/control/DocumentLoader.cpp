#include "DocumentLoader.h"

#include "cad/io/DrawingReader.h"
#include "cad/model/ReadError.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <chrono>
#include <future>
#include <new>
#include <thread>

namespace vexor::control {
namespace {

LoadOutcome readAndCompile(const std::string& path) {
    try {
        return {std::make_shared<const DrawingDocument>(cad::readDrawingFile(path)), {}};
    } catch (const cad::ReadError& e) {
        return {nullptr, e.what()};
    } catch (const std::bad_alloc&) {
        return {nullptr, path + ": not enough memory to read the drawing"};
    } catch (const std::exception& e) {
        return {nullptr, path + ": " + e.what()};
    }
}

} // namespace

LoadOutcome loadDocument(const std::string& path) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return readAndCompile(path);

    std::packaged_task<LoadOutcome()> task([path] { return readAndCompile(path); });
    std::future<LoadOutcome> result = task.get_future();
    std::thread worker(std::move(task));
    using namespace std::chrono_literals;
    while (result.wait_for(15ms) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    worker.join();
    return result.get();
}

} // namespace vexor::control
