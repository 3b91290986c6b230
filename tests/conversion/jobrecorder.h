#pragma once
// Runs a ConversionJob and records what it reported.

#include "conversion/qt/conversionjob.h"
#include "conversion/conversionsandbox.h"

#include <QCoreApplication>
#include <QString>
#include <memory>

namespace kvx::test {

struct JobReport {
    int count = 0;
    bool success = false;
    QString outputDirectory;
    QString error;
};

class JobRecorder {
public:
    JobRecorder(const ConversionSandbox &box, bool removePremultipliedAlpha, QString editorVersion = "4.2.43")
        : job(std::make_unique<ConversionJob>(box.q(box.editor()), editorVersion, box.q(box.skeleton()),
                                              box.q(box.atlas()), box.q(box.output()), QStringLiteral("hero"),
                                              removePremultipliedAlpha))
    {
        listen();
    }

    explicit JobRecorder(std::unique_ptr<ConversionJob> custom) : job(std::move(custom)) { listen(); }

    // Starts the job and waits for its report; a little more event processing then lets any
    // duplicate report show up.
    const JobReport &run()
    {
        job->start();
        waitUntil([this] { return report.count > 0; });
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return report;
    }

    // Deletes the job, which removes its working folder unless it was published.
    void release() { job.reset(); }

    std::unique_ptr<ConversionJob> job;
    JobReport report;

private:
    void listen()
    {
        QObject::connect(job.get(), &ConversionJob::finished, [this](bool success, QString output, QString error) {
            ++report.count;
            report.success = success;
            report.outputDirectory = output;
            report.error = error;
        });
    }
};

} // namespace kvx::test
