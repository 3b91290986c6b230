#include "app/probeanswer.h"

namespace kvx {

std::pair<int, QString> probeAnswer(QFuture<std::pair<int, QString>> future, int fallbackGeneration)
{
    const std::pair<int, QString> noAnswer{fallbackGeneration, QString()};
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
