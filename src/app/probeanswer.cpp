#include "app/probeanswer.h"

namespace kvx {

ProbeAnswer probeAnswer(QFuture<ProbeAnswer> future, int fallbackGeneration)
{
    const ProbeAnswer noAnswer{fallbackGeneration, std::nullopt};
    try {
        future.waitForFinished(); // rethrows what the job threw
        if (future.isCanceled() || future.resultCount() < 1)
            return noAnswer;
        return future.result();
    } catch (...) {
        return noAnswer;
    }
}

} // namespace kvx
