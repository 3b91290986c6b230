<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>BadgeTable</name>
    <message>
        <source>正在转换…</source>
        <translation>Converting…</translation>
    </message>
    <message>
        <source>一键转换为 .spine</source>
        <translation>Convert</translation>
    </message>
    <message>
        <source>资源不完整</source>
        <translation>Incomplete</translation>
    </message>
    <message>
        <source>指定 Spine 路径</source>
        <translation>Choose Spine…</translation>
    </message>
    <message>
        <source>缺少配套 Atlas</source>
        <translation>Atlas missing</translation>
    </message>
    <message>
        <source>Atlas 无法识别</source>
        <translation>Atlas unreadable</translation>
    </message>
    <message>
        <source>缺少纹理页 %1</source>
        <translation>Texture page missing: %1</translation>
    </message>
    <message>
        <source>未找到 Spine Editor</source>
        <translation>Spine Editor not found</translation>
    </message>
    <message>
        <source>正在检查 Editor ...</source>
        <translation>Checking Spine Editor ...</translation>
    </message>
    <message>
        <source>检查中...</source>
        <translation>Checking...</translation>
    </message>
    <message>
        <source>可转换 · Spine %1</source>
        <translation>Ready · Spine %1</translation>
    </message>
    <message>
        <source>未找到对应版本</source>
        <translation>No matching editor version</translation>
    </message>
    <message>
        <source>选择的路径不是 Spine Editor</source>
        <translation>The chosen program is not Spine Editor</translation>
    </message>
    <message>
        <source>正在使用 Spine %1 转换</source>
        <translation>Converting with Spine %1</translation>
    </message>
    <message>
        <source>当前资源不可用</source>
        <translation>Export unavailable</translation>
    </message>
</context>
<context>
    <name>FailureText</name>
    <message>
        <source>发生了意外错误。</source>
        <translation>Unexpected failure.</translation>
    </message>
    <message>
        <source>转换已取消</source>
        <translation>Conversion cancelled</translation>
    </message>
    <message>
        <source>无法打开文件。</source>
        <translation>The file could not be opened.</translation>
    </message>
    <message>
        <source>无法读取文件。</source>
        <translation>The file could not be read.</translation>
    </message>
    <message>
        <source>无法写入文件。</source>
        <translation>The file could not be written.</translation>
    </message>
    <message>
        <source>无法创建文件夹。</source>
        <translation>The folder could not be created.</translation>
    </message>
    <message>
        <source>参数无效。</source>
        <translation>Invalid argument.</translation>
    </message>
    <message>
        <source>所选路径不是文件夹。</source>
        <translation>The chosen path is not a folder.</translation>
    </message>
    <message>
        <source>无法写入所选文件夹。</source>
        <translation>The chosen folder cannot be written to.</translation>
    </message>
    <message>
        <source>该名称已被占用。</source>
        <translation>The name is already taken.</translation>
    </message>
    <message>
        <source>无法读取 Atlas 文件。</source>
        <translation>The atlas could not be read.</translation>
    </message>
    <message>
        <source>无法读取纹理页图片。</source>
        <translation>The page image could not be read.</translation>
    </message>
    <message>
        <source>图集区域缺少有效的位置或尺寸。</source>
        <translation>The region has no usable place and size.</translation>
    </message>
    <message>
        <source>图集区域超出了纹理页。</source>
        <translation>The region lies outside its page.</translation>
    </message>
    <message>
        <source>图集区域过大。</source>
        <translation>The region is too large.</translation>
    </message>
    <message>
        <source>图集区域的名称不能用作文件名。</source>
        <translation>The region name cannot be used as a file name.</translation>
    </message>
    <message>
        <source>Atlas 中没有任何区域。</source>
        <translation>The atlas has no regions.</translation>
    </message>
    <message>
        <source>暂时无法加载这套资源</source>
        <translation>This export cannot be loaded for now</translation>
    </message>
    <message>
        <source>此版本的预览模块仍在接入中</source>
        <translation>The preview of this version is not available yet</translation>
    </message>
    <message>
        <source>无法选择这个动画。</source>
        <translation>The animation could not be selected.</translation>
    </message>
    <message>
        <source>动画预览暂时不可用</source>
        <translation>The animation preview is not available for now</translation>
    </message>
    <message>
        <source>无法切换皮肤。</source>
        <translation>The skin could not be chosen.</translation>
    </message>
    <message>
        <source>无法测量动画的范围。</source>
        <translation>The animation could not be measured.</translation>
    </message>
    <message>
        <source>无法把 Spine Editor 及其子进程放在一起管理。</source>
        <translation>Spine Editor and the processes it starts could not be kept together.</translation>
    </message>
    <message>
        <source>资源尚不能转换：%1</source>
        <translation>The export is not ready to convert: %1</translation>
    </message>
    <message>
        <source>本地未缓存 Spine %1。为避免触发下载，转换已停止。</source>
        <translation>Spine %1 is not cached on this computer. The conversion was stopped so that no download starts.</translation>
    </message>
    <message>
        <source>找不到已指定的 Spine Editor。请重新指定程序路径。</source>
        <translation>The chosen Spine Editor cannot be found. Choose the program again.</translation>
    </message>
    <message>
        <source>Atlas 无法识别，不能确定官方导入比例。</source>
        <translation>The atlas cannot be read, so the import scale is unknown.</translation>
    </message>
    <message>
        <source>Atlas 中的 scale 无效。</source>
        <translation>The atlas&apos;s scale is invalid.</translation>
    </message>
    <message>
        <source>Atlas 的纹理页使用了不同 scale，无法生成尺寸一致的工程。</source>
        <translation>The atlas&apos;s pages have different scales, so no project of one size can be made.</translation>
    </message>
    <message>
        <source>无法创建输出目录。</source>
        <translation>The output folder could not be created.</translation>
    </message>
    <message>
        <source>无法创建临时转换目录。</source>
        <translation>The working folder could not be created.</translation>
    </message>
    <message>
        <source>无法准备图片目录。</source>
        <translation>The images folder could not be prepared.</translation>
    </message>
    <message>
        <source>无法准备离线图集解包配置。</source>
        <translation>The atlas copy for the texture unpacker could not be written.</translation>
    </message>
    <message>
        <source>无法启动本机 Spine Editor。</source>
        <translation>Spine Editor could not be started.</translation>
    </message>
    <message>
        <source>官方图集解包失败：
%1</source>
        <translation>Spine Editor&apos;s texture unpacker failed:
%1</translation>
    </message>
    <message>
        <source>Spine 工程导入失败：
%1</source>
        <translation>Spine Editor&apos;s import failed:
%1</translation>
    </message>
    <message>
        <source>官方图集解包未生成任何图片。</source>
        <translation>The texture unpacker wrote no images.</translation>
    </message>
    <message>
        <source>Spine Editor 未生成有效的 .spine 工程。</source>
        <translation>Spine Editor wrote no valid .spine project.</translation>
    </message>
    <message>
        <source>无法发布转换结果：%1</source>
        <translation>The result could not be published: %1</translation>
    </message>
    <message>
        <source>动画设置超出了允许范围：%1</source>
        <translation>The animation settings are out of range: %1</translation>
    </message>
    <message>
        <source>动画文件已存在。</source>
        <translation>The animation file already exists.</translation>
    </message>
    <message>
        <source>无法创建动画文件。</source>
        <translation>The animation file could not be created.</translation>
    </message>
    <message>
        <source>无法写入动画文件。</source>
        <translation>The animation file could not be written.</translation>
    </message>
    <message>
        <source>帧的尺寸与动画不符。</source>
        <translation>The frame does not fit the animation.</translation>
    </message>
    <message>
        <source>动画没有任何帧。</source>
        <translation>The animation has no frames.</translation>
    </message>
    <message>
        <source>当前版本缺少这种动画格式的编码器。</source>
        <translation>This build has no encoder for the animation format.</translation>
    </message>
    <message>
        <source>无法编码动画。</source>
        <translation>The animation could not be encoded.</translation>
    </message>
    <message>
        <source>骨骼中没有这个动画：%1</source>
        <translation>The skeleton has no animation of that name: %1</translation>
    </message>
    <message>
        <source>骨骼中没有这个皮肤：%1</source>
        <translation>The skeleton has no skin of that name: %1</translation>
    </message>
    <message>
        <source>骨骼的所有皮肤都没有可绘制的内容。</source>
        <translation>No skin of the skeleton draws anything.</translation>
    </message>
    <message>
        <source>没有找到与骨骼数据配套的 .atlas 文件。</source>
        <translation>No companion .atlas file was found for the skeleton.</translation>
    </message>
    <message>
        <source>缺少纹理页图片：%1</source>
        <translation>Page images are missing: %1</translation>
    </message>
    <message>
        <source>动画没有绘制任何内容，无法自动取景；请指定尺寸或镜头。</source>
        <translation>Nothing is drawn, so there is nothing to frame; give a size or a camera.</translation>
    </message>
    <message>
        <source>输出超出了限制：%1</source>
        <translation>The output would exceed the limits: %1</translation>
    </message>
    <message>
        <source>纹理页图片过大，无法载入：%1</source>
        <translation>The page image is too large to load: %1</translation>
    </message>
    <message>
        <source>系统原因：%1</source>
        <translation>System error: %1</translation>
    </message>
</context>
<context>
    <name>NameList</name>
    <message>
        <source>、</source>
        <comment>between the names of a list</comment>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>ReadinessText</name>
    <message>
        <source>本机未缓存 Spine %1.x</source>
        <translation>Spine %1.x not cached</translation>
    </message>
</context>
<context>
    <name>WindowDialogs</name>
    <message>
        <source>选择导出资源</source>
        <translation>Choose export files</translation>
    </message>
    <message>
        <source>Spine 资源 (*.json *.skel *.skel.bytes *.atlas *.atlas.txt *.png *.jpg *.jpeg *.webp);;所有文件 (*)</source>
        <translation>Spine exports (*.json *.skel *.skel.bytes *.atlas *.atlas.txt *.png *.jpg *.jpeg *.webp);;All files (*)</translation>
    </message>
    <message>
        <source>选择资源文件夹</source>
        <translation>Choose a folder of exports</translation>
    </message>
    <message>
        <source>指定 Spine 程序</source>
        <translation>Choose the Spine program</translation>
    </message>
    <message>
        <source>所有文件 (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>选择输出位置</source>
        <translation>Choose the output folder</translation>
    </message>
</context>
<context>
    <name>kvx::ConversionController</name>
    <message>
        <source>…另有 %1 项</source>
        <translation>… and %1 more</translation>
    </message>
    <message>
        <source>转换失败</source>
        <translation>Conversion failed</translation>
    </message>
    <message>
        <source>没有找到配套的 .atlas 文件。</source>
        <translation>No companion .atlas file was found.</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>全部转换</source>
        <translation>Convert all</translation>
    </message>
    <message>
        <source>没有可以转换的骨骼。</source>
        <translation>No skeleton is ready to convert.</translation>
    </message>
    <message>
        <source>正在全部转换 %1 / %2：%3</source>
        <translation>Converting all, %1 of %2: %3</translation>
    </message>
    <message>
        <source>转换完成</source>
        <translation>Conversion finished</translation>
    </message>
    <message>
        <source>完整资源已生成：
%1</source>
        <translation>The project was created:
%1</translation>
    </message>
    <message>
        <source>打开输出文件夹</source>
        <translation>Open output folder</translation>
    </message>
    <message>
        <source>转换未完成，Spine Editor 未提供详细原因。</source>
        <translation>The conversion did not finish, and Spine Editor gave no reason.</translation>
    </message>
    <message>
        <source>%1 → %2</source>
        <translation>%1 → %2</translation>
    </message>
    <message>
        <source>全部转换已停止</source>
        <translation>Convert all stopped</translation>
    </message>
    <message>
        <source>全部转换完成</source>
        <translation>Convert all finished</translation>
    </message>
    <message>
        <source>成功 %1 个，失败 %2 个</source>
        <translation>%1 succeeded, %2 failed</translation>
    </message>
    <message>
        <source>，已停止（%1 个未转换）</source>
        <translation>, stopped (%1 not converted)</translation>
    </message>
    <message>
        <source>成功：
%1</source>
        <translation>Succeeded:
%1</translation>
    </message>
    <message>
        <source>失败：
%1</source>
        <translation>Failed:
%1</translation>
    </message>
    <message>
        <source>未就绪，未转换：
%1</source>
        <translation>Not ready, not converted:
%1</translation>
    </message>
</context>
<context>
    <name>kvx::ExportController</name>
    <message>
        <source>初始姿势</source>
        <translation>setup pose</translation>
    </message>
    <message>
        <source>%1（皮肤 %2）</source>
        <translation>%1 (skin %2)</translation>
    </message>
    <message>
        <source>无法使用输出文件夹 %1：
%2</source>
        <translation>The output folder %1 cannot be used:
%2</translation>
    </message>
    <message>
        <source>导出动画</source>
        <translation>Export animations</translation>
    </message>
    <message>
        <source>导出当前帧</source>
        <translation>Export frame</translation>
    </message>
    <message>
        <source>正在导出当前帧…</source>
        <translation>Exporting the frame…</translation>
    </message>
    <message>
        <source>正在准备导出…</source>
        <translation>Preparing the export…</translation>
    </message>
    <message>
        <source>正在导出动画：已完成 %1 / %2 个</source>
        <translation>Exporting animations: %1 of %2 done</translation>
    </message>
    <message>
        <source>正在取消导出…</source>
        <translation>Cancelling the export…</translation>
    </message>
    <message>
        <source>%1 → %2</source>
        <translation>%1 → %2</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>导出已取消</source>
        <translation>Export cancelled</translation>
    </message>
    <message>
        <source>导出动画完成</source>
        <translation>Animation export finished</translation>
    </message>
    <message>
        <source>成功 %1 个，失败 %2 个</source>
        <translation>%1 succeeded, %2 failed</translation>
    </message>
    <message>
        <source>，已取消（%1 个未导出）</source>
        <translation>, cancelled (%1 not exported)</translation>
    </message>
    <message>
        <source>成功：
%1</source>
        <translation>Succeeded:
%1</translation>
    </message>
    <message>
        <source>失败：
%1</source>
        <translation>Failed:
%1</translation>
    </message>
    <message>
        <source>打开输出文件夹</source>
        <translation>Open output folder</translation>
    </message>
    <message>
        <source>当前帧未能导出</source>
        <translation>The frame was not exported</translation>
    </message>
    <message>
        <source>当前帧未能导出：
%1</source>
        <translation>The frame was not exported:
%1</translation>
    </message>
    <message>
        <source>当前帧已导出</source>
        <translation>Frame exported</translation>
    </message>
    <message>
        <source>当前帧已导出到：
%1</source>
        <translation>The frame was exported to:
%1</translation>
    </message>
    <message>
        <source>导出图片</source>
        <translation>Export images</translation>
    </message>
    <message>
        <source>正在导出图片…</source>
        <translation>Exporting images…</translation>
    </message>
    <message>
        <source>图片未能导出</source>
        <translation>The images were not exported</translation>
    </message>
    <message>
        <source>图片未能导出：
%1</source>
        <translation>The images were not exported:
%1</translation>
    </message>
    <message numerus="yes">
        <source>已导出 %n 张图片到：
%1</source>
        <translation>
            <numerusform>Exported %n image to:
%1</numerusform>
            <numerusform>Exported %n images to:
%1</numerusform>
        </translation>
    </message>
    <message>
        <source>没有导出任何图片。</source>
        <translation>No image was exported.</translation>
    </message>
    <message>
        <source>图片已导出</source>
        <translation>Images exported</translation>
    </message>
    <message numerus="yes">
        <source>图片已导出，%n 项未导出</source>
        <translation>
            <numerusform>Images exported, %n region left out</numerusform>
            <numerusform>Images exported, %n regions left out</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 项未导出：</source>
        <translation>
            <numerusform>%n region left out:</numerusform>
            <numerusform>%n regions left out:</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>kvx::ExportDialog</name>
    <message>
        <source>导出动画：%1</source>
        <translation>Export animations: %1</translation>
    </message>
    <message>
        <source>格式</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>PNG 序列</source>
        <translation>PNG sequence</translation>
    </message>
    <message>
        <source>每个动画一个文件夹，每帧一张带透明通道的 PNG</source>
        <translation>A folder for each animation, with a PNG with alpha for each frame</translation>
    </message>
    <message>
        <source>带透明通道</source>
        <translation>With alpha</translation>
    </message>
    <message>
        <source>不带透明通道：画在不透明的背景上</source>
        <translation>Without alpha: drawn over an opaque background</translation>
    </message>
    <message>
        <source>，循环播放</source>
        <translation>, loops</translation>
    </message>
    <message>
        <source>动画</source>
        <translation>Animation</translation>
    </message>
    <message>
        <source>当前动画（%1）</source>
        <translation>Current animation (%1)</translation>
    </message>
    <message>
        <source>初始姿势</source>
        <translation>setup pose</translation>
    </message>
    <message>
        <source>全部动画</source>
        <translation>All animations</translation>
    </message>
    <message>
        <source>皮肤</source>
        <translation>Skin</translation>
    </message>
    <message>
        <source>当前皮肤</source>
        <translation>Current skin</translation>
    </message>
    <message>
        <source>当前皮肤（%1）</source>
        <translation>Current skin (%1)</translation>
    </message>
    <message>
        <source>全部皮肤</source>
        <translation>All skins</translation>
    </message>
    <message>
        <source>每个有可绘制内容的皮肤各导出一份</source>
        <translation>One export for each skin that draws something</translation>
    </message>
    <message>
        <source>帧率</source>
        <translation>Frame rate</translation>
    </message>
    <message>
        <source> 帧/秒</source>
        <translation> fps</translation>
    </message>
    <message>
        <source>尺寸</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>按比例</source>
        <translation>Scale</translation>
    </message>
    <message>
        <source>指定尺寸</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>整个动画放进这个尺寸，居中，四周各留 5% 的边距</source>
        <translation>The whole animation fits into this size, centred, with a margin of 5% on every side</translation>
    </message>
    <message>
        <source>背景</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>透明</source>
        <translation>Transparent</translation>
    </message>
    <message>
        <source>颜色</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>输出到</source>
        <translation>Save to</translation>
    </message>
    <message>
        <source>浏览…</source>
        <translation>Browse…</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>背景颜色</source>
        <translation>Background colour</translation>
    </message>
    <message>
        <source>选择导出位置</source>
        <translation>Choose where to export</translation>
    </message>
    <message>
        <source>请选择输出文件夹。</source>
        <translation>Choose an output folder.</translation>
    </message>
</context>
<context>
    <name>kvx::IntakeController</name>
    <message>
        <source>%1（版本 %2）</source>
        <translation>%1 (version %2)</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>……以及其余 %1 个</source>
        <translation>… and %1 more</translation>
    </message>
    <message>
        <source>未识别到正确的 Spine 资产</source>
        <translation>No Spine export recognised</translation>
    </message>
    <message>
        <source>以下文件未能识别为有效的 Spine 资产：</source>
        <translation>These files were not recognised as Spine exports:</translation>
    </message>
    <message>
        <source>版本过低</source>
        <translation>Spine version not supported</translation>
    </message>
    <message>
        <source>以下资源的 Spine 版本不在支持的范围内（支持的版本：%1）：</source>
        <translation>The Spine version of these exports is not supported (supported: %1):</translation>
    </message>
</context>
<context>
    <name>kvx::MainWindow</name>
    <message>
        <source>把 .json / .skel / .skel.bytes、.atlas / .atlas.txt 和图片拖到这里

也可以拖入整个资源文件夹</source>
        <translation>Drop .json / .skel / .skel.bytes, .atlas / .atlas.txt and images here

or a whole folder of exports</translation>
    </message>
    <message>
        <source>正在扫描…</source>
        <translation>Scanning…</translation>
    </message>
    <message>
        <source>正在扫描… %1 / %2</source>
        <translation>Scanning… %1 / %2</translation>
    </message>
    <message>
        <source>空格 播放/暂停 · ←/→ 暂停时逐帧 · Ctrl+O 选择资源 · Ctrl+= / Ctrl+- 缩放 · Ctrl+0 重置视图</source>
        <translation>Space play/pause · ←/→ frame by frame while paused · Ctrl+O choose files · Ctrl+= / Ctrl+- zoom · Ctrl+0 reset the view</translation>
    </message>
    <message>
        <source>Ctrl+Shift+O 选择资源文件夹</source>
        <translation>Ctrl+Shift+O choose a folder of exports</translation>
    </message>
    <message>
        <source>界面语言</source>
        <translation>Language of the window</translation>
    </message>
    <message>
        <source>选择资源</source>
        <translation>Choose files</translation>
    </message>
    <message>
        <source>选择骨骼、图集或图片文件（Ctrl+O）</source>
        <translation>Choose skeleton, atlas or image files (Ctrl+O)</translation>
    </message>
    <message>
        <source>选择文件夹…</source>
        <translation>Choose folder…</translation>
    </message>
    <message>
        <source>选择整个资源文件夹，连同其中的子文件夹（Ctrl+Shift+O）</source>
        <translation>Choose a whole folder of exports, with its sub-folders (Ctrl+Shift+O)</translation>
    </message>
    <message>
        <source>筛选列表…</source>
        <translation>Filter the list…</translation>
    </message>
    <message>
        <source>只在下拉列表中显示名称或文件夹含有这段文字的骨骼；回车打开列表</source>
        <translation>Shows in the drop-down only the skeletons whose name or folder contains this text; Enter opens the list</translation>
    </message>
    <message>
        <source>动画</source>
        <translation>Animation</translation>
    </message>
    <message>
        <source>皮肤</source>
        <translation>Skin</translation>
    </message>
    <message>
        <source>预览 Alpha</source>
        <translation>Preview alpha</translation>
    </message>
    <message>
        <source>去除预乘 Alpha</source>
        <translation>Straight alpha</translation>
    </message>
    <message>
        <source>由 Spine 官方纹理解包器转换为普通透明图片</source>
        <translation>Spine Editor&apos;s texture unpacker turns the pages into images with straight alpha</translation>
    </message>
    <message>
        <source>把列表中所有可转换的骨骼依次转换到同一个文件夹</source>
        <translation>Converts every ready skeleton of the list, one after another, into one folder</translation>
    </message>
    <message>
        <source>停止转换</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>导出图片…</source>
        <translation>Images…</translation>
    </message>
    <message>
        <source>把当前骨骼图集中的每个区域导出为单独的 PNG 图片；勾选“去除预乘 Alpha”时导出为普通透明图片</source>
        <translation>Exports each region of the current skeleton&apos;s atlas as a PNG of its own; with straight alpha when &quot;Straight alpha&quot; is ticked</translation>
    </message>
    <message>
        <source>导出当前帧</source>
        <translation>Frame</translation>
    </message>
    <message>
        <source>把滑块所在时刻的画面按预览的取景导出为透明背景的 PNG</source>
        <translation>Exports the pose at the slider&apos;s time as a transparent PNG, framed as the preview shows it</translation>
    </message>
    <message>
        <source>导出动画…</source>
        <translation>Animations…</translation>
    </message>
    <message>
        <source>把动画导出为 PNG 序列、GIF、APNG、WebP、WebM、MOV 或 MP4</source>
        <translation>Exports animations as a PNG sequence, GIF, APNG, WebP, WebM, MOV or MP4</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>停止导出；未完成的文件不会留下</source>
        <translation>Stops the export; no unfinished file is left behind</translation>
    </message>
    <message>
        <source>停止全部转换</source>
        <translation>Stop all</translation>
    </message>
    <message>
        <source>全部转换</source>
        <translation>Convert all</translation>
    </message>
</context>
<context>
    <name>kvx::PlaybackBar</name>
    <message>
        <source>播放 / 暂停（空格）</source>
        <translation>Play / pause (Space)</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>拖动查看任意时刻的姿势</source>
        <translation>Drag to see the pose at any time</translation>
    </message>
    <message>
        <source>这个骨骼的每一帧都要花这么久才能算出；预览会跳过来不及的帧</source>
        <translation>Each frame of this skeleton takes this long to compute; the preview skips the frames it cannot make in time</translation>
    </message>
    <message>
        <source>播放速度</source>
        <translation>Playback speed</translation>
    </message>
    <message>
        <source>循环</source>
        <translation>Loop</translation>
    </message>
    <message>
        <source>关闭后动画停在最后一帧</source>
        <translation>When off, the animation stops on its last frame</translation>
    </message>
    <message>
        <source>预览背景</source>
        <translation>Preview background</translation>
    </message>
    <message>
        <source>深色背景</source>
        <translation>Dark</translation>
    </message>
    <message>
        <source>浅色背景</source>
        <translation>Light</translation>
    </message>
    <message>
        <source>棋盘格</source>
        <translation>Checkerboard</translation>
    </message>
    <message>
        <source>每帧 %1 秒</source>
        <translation>%1 s per frame</translation>
    </message>
</context>
<context>
    <name>kvx::PreviewController</name>
    <message>
        <source>自动</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>自动（%1）</source>
        <translation>Automatic (%1)</translation>
    </message>
    <message>
        <source>预乘</source>
        <translation>Premultiplied</translation>
    </message>
    <message>
        <source>非预乘</source>
        <translation>Straight</translation>
    </message>
    <message>
        <source>预览时把纹理页当作预乘还是非预乘 Alpha 混合；“自动”按图集的说明，括号里是它的结果。3.8 的图集不标明预乘，预乘导出的纹理在预览里发暗时请选“预乘”。只影响预览：转换由“去除预乘 Alpha”决定。</source>
        <translation>Whether the preview blends the pages as premultiplied or straight alpha; &quot;Automatic&quot; follows the atlas, with its result in brackets. 3.8 atlases do not say: choose &quot;Premultiplied&quot; when a premultiplied export looks dark in the preview. Affects only the preview: the conversion follows &quot;Straight alpha&quot;.</translation>
    </message>
    <message>
        <source>没有找到与骨骼数据配套的 .atlas 文件</source>
        <translation>No companion .atlas file was found for the skeleton</translation>
    </message>
    <message>
        <source>请把完整导出资源一起拖入</source>
        <translation>Drop the whole export together</translation>
    </message>
    <message>
        <source>暂时无法加载这套资源</source>
        <translation>This export cannot be loaded for now</translation>
    </message>
    <message>
        <source>此版本的预览模块仍在接入中</source>
        <translation>The preview of this version is not available yet</translation>
    </message>
    <message>
        <source>资源已识别，可以稍后转换</source>
        <translation>The export is recognised and can still be converted</translation>
    </message>
    <message numerus="yes">
        <source>已识别 %n 个动画</source>
        <translation>
            <numerusform>%n animation found</numerusform>
            <numerusform>%n animations found</numerusform>
        </translation>
    </message>
    <message>
        <source>无法切换到皮肤 %1</source>
        <translation>Cannot switch to skin %1</translation>
    </message>
    <message>
        <source>没有可播放的动画</source>
        <translation>No animation to play</translation>
    </message>
    <message>
        <source>动画预览暂时不可用</source>
        <translation>The animation preview is not available for now</translation>
    </message>
    <message>
        <source>按页</source>
        <translation>per page</translation>
    </message>
    <message>
        <source>缺少纹理页 %1：用到它的部分不会显示</source>
        <translation>Texture page missing: %1. What uses it is not shown.</translation>
    </message>
    <message>
        <source>纹理页 %1 不是可以读取的图片：用到它的部分不会显示</source>
        <translation>Texture page is no readable image: %1. What uses it is not shown.</translation>
    </message>
    <message>
        <source>纹理页 %1 太大，无法载入：用到它的部分不会显示</source>
        <translation>Texture page too large to load: %1. What uses it is not shown.</translation>
    </message>
</context>
<context>
    <name>kvx::ReadinessPresenter</name>
    <message>
        <source>已找到 Spine %1，但本机未缓存该版本，转换会触发下载。%2</source>
        <translation>Found Spine %1, but that version is not cached on this computer, and converting would start a download. %2</translation>
    </message>
    <message>
        <source>未找到对应版本</source>
        <translation>No matching editor version</translation>
    </message>
    <message>
        <source>解决办法：用 Spine 启动器以任一 %1.x 版本启动一次 Spine，这个版本就会缓存在本机；或者点击“指定 Spine 路径”，选择一个带有 %1.x 版本的 Spine Editor。</source>
        <translation>What to do: start Spine once with any %1.x version from the Spine launcher, which caches that version on this computer; or click &quot;Choose Spine…&quot; and choose a Spine Editor that has a %1.x version.</translation>
    </message>
    <message>
        <source>无</source>
        <translation>none</translation>
    </message>
    <message>
        <source>未找到</source>
        <translation>not found</translation>
    </message>
    <message>
        <source>%1（版本 %2）</source>
        <translation>%1 (version %2)</translation>
    </message>
    <message>
        <source>未确定</source>
        <translation>not determined</translation>
    </message>
    <message>
        <source>数据版本：%1
Spine 分支：%2.x
Spine Editor：%3
本机已缓存的 Editor 版本：%4</source>
        <translation>Data version: %1
Spine line: %2.x
Spine Editor: %3
Editor versions cached on this computer: %4</translation>
    </message>
    <message>
        <source>数据版本 %1，需要 Spine %2.x；本机已缓存：%3</source>
        <translation>Data version %1 needs Spine %2.x; cached on this computer: %3</translation>
    </message>
</context>
<context>
    <name>kvx::ResourceList</name>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>文件夹</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>数据版本</source>
        <translation>Data version</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>二进制</source>
        <translation>binary</translation>
    </message>
    <message>
        <source>%1
格式：%2
数据版本：%3</source>
        <translation>%1
Format: %2
Data version: %3</translation>
    </message>
</context>
<context>
    <name>kvx::SpinePreviewWidget</name>
    <message>
        <source>滚轮缩放 · 中键重置 · 右键拖动 · 右键单击居中</source>
        <translation>Wheel zooms · middle button resets · right-drag pans · right-click centres</translation>
    </message>
</context>
</TS>
