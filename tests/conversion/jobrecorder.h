#pragma once
// Runs a ConversionJob and records what it reported.

#include "app/failuretext.h"
#include "assets/qt/exportreading.h"
#include "conversion/conversionsandbox.h"
#include "conversion/qt/conversionjob.h"

#include <QCoreApplication>
#include <QString>
#include <memory>

namespace kvx::test {

struct JobReport {
    int count = 0;
    bool success = false;
    QString outputDirectory;
    QString error; // the window's text for the failure
    std::optional<Failure> failure;
};

// The request a conversion of the sandbox's export makes, as intake reads the export now.
inline ConversionRequest sandboxRequest(const ConversionSandbox &box, bool straightAlpha,
                                        QString editorVersion = "4.2.43")
{
    return ConversionRequest{readExport(box.q(box.skeleton())), box.q(box.editor()), std::move(editorVersion),
                             box.q(box.output()), QStringLiteral("hero"), straightAlpha};
}

// The same into another output folder.
inline ConversionRequest requestInto(const ConversionSandbox &box, const QString &outputParent)
{
    ConversionRequest request = sandboxRequest(box, false);
    request.outputParent = outputParent;
    return request;
}

class JobRecorder {
public:
    JobRecorder(const ConversionSandbox &box, bool straightAlpha, QString editorVersion = "4.2.43")
        : job(std::make_unique<ConversionJob>(sandboxRequest(box, straightAlpha, std::move(editorVersion))))
    {
        listen();
    }

    explicit JobRecorder(std::unique_ptr<ConversionJob> custom) : job(std::move(custom)) { listen(); }

    // Starts the job and waits for its report; a little more event processing then lets any
    // duplicate report show up.
    const JobReport &run()
    {
        job->start();
        waitFor([this] { return report.count > 0; });
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
        QObject::connect(job.get(), &ConversionJob::finished, [this](const ConversionOutcome &outcome) {
            ++report.count;
            report.success = outcome.ok();
            report.outputDirectory = outcome ? *outcome : QString();
            report.error = outcome ? QString() : FailureText::of(outcome.failure());
            report.failure = outcome ? std::nullopt : std::optional<Failure>(outcome.failure());
        });
    }
};

} // namespace kvx::test
