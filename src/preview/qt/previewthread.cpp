#include "preview/qt/previewthread.h"

namespace kvx {

PreviewThread::PreviewThread() : anchor(new QObject), session(std::make_unique<PreviewSession>())
{
    thread.setObjectName(QStringLiteral("kovexa-preview"));
    anchor->moveToThread(&thread);
    QObject::connect(&thread, &QThread::finished, anchor, &QObject::deleteLater);
    thread.start();
}

PreviewThread::~PreviewThread()
{
    // The plugin context was made on the thread and ends there.
    runOnThread([](PreviewSession &ending) { ending.unload(); });
    thread.quit();
    thread.wait();
}

void PreviewThread::runOnThread(std::function<void(PreviewSession &)> work)
{
    PreviewSession *target = session.get();
    QMetaObject::invokeMethod(anchor, [target, work = std::move(work)] { work(*target); }, Qt::QueuedConnection);
}

} // namespace kvx
