#include "app/badgetable.h"


namespace kvx {
namespace {

const QString red = QStringLiteral("#ef6b73");
const QString amber = QStringLiteral("#f2b84b");
const QString green = QStringLiteral("#55d68b");
const QString blue = QStringLiteral("#72a7ff");

} // namespace

QString BadgeTable::convertingButtonText()
{
    return tr("正在转换…");
}

QString BadgeTable::convertButtonText()
{
    return tr("一键转换为 .spine");
}

BadgeLook BadgeTable::look(BadgeState state, const QString &argument)
{
    const QString incomplete = tr("资源不完整");
    const QString chooseEditor = tr("指定 Spine 路径");
    switch (state) {
    case BadgeState::MissingAtlas:
        return {tr("缺少配套 Atlas"), red, true, incomplete, false, PrimaryAction::None};
    case BadgeState::UnreadableAtlas:
        return {tr("Atlas 无法识别"), red, true, incomplete, false, PrimaryAction::None};
    case BadgeState::MissingPage:
        return {tr("缺少纹理页 %1").arg(argument), red, true, incomplete, false, PrimaryAction::None};
    case BadgeState::NoEditor:
        return {tr("未找到 Spine Editor"), amber, true, chooseEditor, true, PrimaryAction::ChooseEditor};
    case BadgeState::CheckingEditor:
        return {tr("正在检查 Editor ..."), amber, true, tr("检查中..."), false, PrimaryAction::None};
    case BadgeState::Ready:
        return {tr("可转换 · Spine %1").arg(argument), green, true, convertButtonText(), true, PrimaryAction::Convert};
    case BadgeState::NoSuitableVersion:
        return {tr("未找到对应版本"), red, true, chooseEditor, true, PrimaryAction::ChooseEditor};
    case BadgeState::NotAnEditor:
        return {tr("选择的路径不是 Spine Editor"), red, false, QString(), false, PrimaryAction::None};
    case BadgeState::Converting:
        return {tr("正在使用 Spine %1 转换").arg(argument), blue, true, convertingButtonText(), false,
                PrimaryAction::None};
    case BadgeState::Unavailable:
        return {tr("当前资源不可用"), red, true, incomplete, false, PrimaryAction::None};
    }
    return {};
}

} // namespace kvx
