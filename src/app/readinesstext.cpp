#include "app/readinesstext.h"

#include "app/badgetable.h"
#include "app/namelist.h"

#include <QStringList>

namespace kvx {

QString ReadinessText::of(const ReadinessReport &report)
{
    switch (report.verdict) {
    case ReadinessVerdict::Ready:
        return BadgeTable::look(BadgeState::Ready, QString::fromStdString(report.editorVersion->fullText())).text;
    case ReadinessVerdict::MissingAtlas:
        return BadgeTable::look(BadgeState::MissingAtlas).text;
    case ReadinessVerdict::UnreadableAtlas:
        return BadgeTable::look(BadgeState::UnreadableAtlas).text;
    case ReadinessVerdict::MissingPage: {
        QStringList pages;
        for (const std::string &page : report.record.missingPageFileNames())
            pages.append(QString::fromStdString(page));
        return BadgeTable::look(BadgeState::MissingPage, NameList::of(pages)).text;
    }
    case ReadinessVerdict::NoEditor:
        return BadgeTable::look(BadgeState::NoEditor).text;
    case ReadinessVerdict::NeedsProbe:
        return tr("本机未缓存 Spine %1.x").arg(QString::fromStdString(report.line));
    case ReadinessVerdict::NoSuitableVersion:
    case ReadinessVerdict::NotCached:
        return BadgeTable::look(BadgeState::NoSuitableVersion).text;
    case ReadinessVerdict::Unknown:
        break;
    }
    return BadgeTable::look(BadgeState::Unavailable).text;
}

} // namespace kvx
