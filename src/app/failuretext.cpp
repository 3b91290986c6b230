#include "app/failuretext.h"

namespace kvx {

QString FailureText::sentence(FailureKind kind)
{
    switch (kind) {
    case FailureKind::Unexpected:
        return tr("发生了意外错误。");
    case FailureKind::Cancelled:
        return tr("转换已取消");
    case FailureKind::FileOpen:
        return tr("无法打开文件。");
    case FailureKind::FileRead:
        return tr("无法读取文件。");
    case FailureKind::FileWrite:
        return tr("无法写入文件。");
    case FailureKind::FolderCreate:
        return tr("无法创建文件夹。");
    case FailureKind::InvalidArgument:
        return tr("参数无效。");
    case FailureKind::NotAFolder:
        return tr("所选路径不是文件夹。");
    case FailureKind::FolderNotWritable:
        return tr("无法写入所选文件夹。");
    case FailureKind::NameTaken:
        return tr("该名称已被占用。");
    case FailureKind::AtlasUnreadable:
        return tr("无法读取 Atlas 文件。");
    case FailureKind::PageImageUnreadable:
        return tr("无法读取纹理页图片。");
    case FailureKind::RegionMalformed:
        return tr("图集区域缺少有效的位置或尺寸。");
    case FailureKind::RegionOutsidePage:
        return tr("图集区域超出了纹理页。");
    case FailureKind::RegionTooLarge:
        return tr("图集区域过大。");
    case FailureKind::RegionNameUnusable:
        return tr("图集区域的名称不能用作文件名。");
    case FailureKind::AtlasWithoutRegions:
        return tr("Atlas 中没有任何区域。");
    case FailureKind::PluginUnavailable:
        return tr("暂时无法加载这套资源");
    case FailureKind::SkeletonRefused:
        return tr("此版本的预览模块仍在接入中");
    case FailureKind::AnimationNotSelected:
        return tr("无法选择这个动画。");
    case FailureKind::FrameNotSampled:
        return tr("动画预览暂时不可用");
    case FailureKind::SkinNotChosen:
        return tr("无法切换皮肤。");
    case FailureKind::AnimationNotMeasured:
        return tr("无法测量动画的范围。");
    case FailureKind::ProcessTreeUnavailable:
        return tr("无法把 Spine Editor 及其子进程放在一起管理。");
    case FailureKind::ExportNotReady:
        return tr("资源尚不能转换：%1");
    case FailureKind::EditorVersionNotCached:
        return tr("本地未缓存 Spine %1。为避免触发下载，转换已停止。");
    case FailureKind::EditorMissing:
        return tr("找不到已指定的 Spine Editor。请重新指定程序路径。");
    case FailureKind::ImportScaleUnknown:
        return tr("Atlas 无法识别，不能确定官方导入比例。");
    case FailureKind::AtlasScaleInvalid:
        return tr("Atlas 中的 scale 无效。");
    case FailureKind::AtlasScalesDiffer:
        return tr("Atlas 的纹理页使用了不同 scale，无法生成尺寸一致的工程。");
    case FailureKind::OutputFolderNotCreated:
        return tr("无法创建输出目录。");
    case FailureKind::WorkingFolderNotCreated:
        return tr("无法创建临时转换目录。");
    case FailureKind::ImagesFolderNotPrepared:
        return tr("无法准备图片目录。");
    case FailureKind::UnpackAtlasNotPrepared:
        return tr("无法准备离线图集解包配置。");
    case FailureKind::EditorNotStarted:
        return tr("无法启动本机 Spine Editor。");
    case FailureKind::UnpackFailed:
        return tr("官方图集解包失败：\n%1");
    case FailureKind::ImportFailed:
        return tr("Spine 工程导入失败：\n%1");
    case FailureKind::NothingUnpacked:
        return tr("官方图集解包未生成任何图片。");
    case FailureKind::NoProjectWritten:
        return tr("Spine Editor 未生成有效的 .spine 工程。");
    case FailureKind::PublishFailed:
        return tr("无法发布转换结果：%1");
    case FailureKind::MediaSettingsRefused:
        return tr("动画设置超出了允许范围：%1");
    case FailureKind::MediaFileExists:
        return tr("动画文件已存在。");
    case FailureKind::MediaFileCreate:
        return tr("无法创建动画文件。");
    case FailureKind::MediaFileWrite:
        return tr("无法写入动画文件。");
    case FailureKind::MediaFrameRefused:
        return tr("帧的尺寸与动画不符。");
    case FailureKind::MediaNoFrames:
        return tr("动画没有任何帧。");
    case FailureKind::MediaEncoderMissing:
        return tr("当前版本缺少这种动画格式的编码器。");
    case FailureKind::MediaEncodeFailed:
        return tr("无法编码动画。");
    case FailureKind::AnimationUnknown:
        return tr("骨骼中没有这个动画：%1");
    case FailureKind::SkinUnknown:
        return tr("骨骼中没有这个皮肤：%1");
    case FailureKind::NoSkinDraws:
        return tr("骨骼的所有皮肤都没有可绘制的内容。");
    case FailureKind::CompanionAtlasMissing:
        return tr("没有找到与骨骼数据配套的 .atlas 文件。");
    case FailureKind::PageImagesMissing:
        return tr("缺少纹理页图片：%1");
    case FailureKind::NothingToFrame:
        return tr("动画没有绘制任何内容，无法自动取景；请指定尺寸或镜头。");
    case FailureKind::RenderLimitExceeded:
        return tr("输出超出了限制：%1");
    case FailureKind::PageImageTooLarge:
        return tr("纹理页图片过大，无法载入：%1");
    }
    return tr("发生了意外错误。");
}

QString FailureText::of(const Failure &failure)
{
    const QString detail = QString::fromStdString(failure.detail);
    const QString reason = QString::fromLocal8Bit(systemMessage(failure.systemError)).trimmed();
    QString text = sentence(failure.kind);
    if (failure.kind == FailureKind::PublishFailed)
        return text.arg(reason.isEmpty() ? detail : reason); // the system's reason is the message here
    if (text.contains(QLatin1String("%1")))
        text = text.arg(detail);
    if (!reason.isEmpty())
        text += QLatin1Char('\n') + tr("系统原因：%1").arg(reason);
    return text;
}

} // namespace kvx
