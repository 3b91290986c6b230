#include "cli/rendering.h"

#include <QRegularExpression>
#include <QThread>
#include <cmath>

namespace kvx {
namespace {

// Sets the error when the text is not a finite decimal number.
std::optional<double> decimal(const QString &text, const QString &option, QString &error)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (ok && std::isfinite(value))
        return value;
    error = QStringLiteral("option %1 needs a number, not %2").arg(option, text);
    return std::nullopt;
}

std::optional<BackgroundColour> background(const QString &text, QString &error)
{
    static const QRegularExpression colour(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
    if (colour.match(text).hasMatch())
        return BackgroundColour(text.mid(1).toUInt(nullptr, 16));
    error = QStringLiteral("option --background needs transparent or #RRGGBB, not %1").arg(text);
    return std::nullopt;
}

std::optional<Camera> camera(const QString &text, QSize size, QString &error)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 3) {
        error = QStringLiteral("option --camera needs X,Y,ZOOM, not %1").arg(text);
        return std::nullopt;
    }
    Camera view;
    for (auto [part, value] : {std::pair{0, &view.x}, std::pair{1, &view.y}, std::pair{2, &view.zoom}}) {
        const std::optional<double> number = decimal(parts[part], QStringLiteral("--camera"), error);
        if (!number)
            return std::nullopt;
        *value = *number;
    }
    view.width = size.width();
    view.height = size.height();
    return view;
}

QString exclusive(const CliArguments &arguments)
{
    if (!arguments.animation.isEmpty() && arguments.allAnimations)
        return QStringLiteral("options --animation and --all-animations exclude each other");
    if (!arguments.skin.isEmpty() && arguments.allSkins)
        return QStringLiteral("options --skin and --all-skins exclude each other");
    if (!arguments.camera.isEmpty() && arguments.size.isEmpty())
        return QStringLiteral("option --camera needs --size");
    if (!arguments.camera.isEmpty() && !arguments.scale.isEmpty())
        return QStringLiteral("options --camera and --scale exclude each other (the camera gives the zoom)");
    return QString();
}

// Format, time and background; false with the error set on a mistake.
bool readMotion(const CliArguments &arguments, RenderSettings &settings, QString &error)
{
    const QString format = arguments.format.toLower();
    if (!format.isEmpty() && format != QLatin1String("png")) {
        settings.format = mediaFormatFromName(format.toStdString());
        if (!settings.format) {
            error = QStringLiteral("option --format needs png, gif, apng, webp, webm, mov or mp4, not %1").arg(arguments.format);
            return false;
        }
    }
    settings.fps = arguments.fps;
    if (arguments.quality >= 0)
        settings.quality = arguments.quality;
    if (!arguments.time.isEmpty()) {
        settings.time = decimal(arguments.time, QStringLiteral("--time"), error);
        if (!settings.time)
            return false;
    }
    if (!arguments.background.isEmpty() && arguments.background.toLower() != QLatin1String("transparent")) {
        settings.background = background(arguments.background, error);
        if (!settings.background)
            return false;
    }
    return true;
}

bool readFraming(const CliArguments &arguments, OutputFraming &framing, QString &error)
{
    if (!arguments.size.isEmpty())
        framing.size = FrameSize{arguments.size.width(), arguments.size.height()};
    if (!arguments.scale.isEmpty()) {
        const std::optional<double> scale = decimal(arguments.scale, QStringLiteral("--scale"), error);
        if (!scale)
            return false;
        framing.scale = *scale;
    }
    if (!arguments.camera.isEmpty()) {
        framing.camera = camera(arguments.camera, arguments.size, error);
        if (!framing.camera)
            return false;
    }
    return true;
}

NameChoice nameChoice(const QString &name, bool all)
{
    NameChoice choice;
    choice.all = all;
    if (!name.isEmpty())
        choice.names.push_back(name.toStdString());
    return choice;
}

} // namespace

std::variant<RenderCommand, QString> renderCommandFrom(const CliArguments &arguments)
{
    if (const QString mistake = exclusive(arguments); !mistake.isEmpty())
        return mistake;
    RenderCommand command;
    QString error;
    if (!readMotion(arguments, command.settings, error) || !readFraming(arguments, command.settings.framing, error))
        return error;
    if (const Status checked = checkRenderSettings(command.settings); !checked)
        return QString::fromStdString(englishText(checked.failure()));
    command.choice.animations = nameChoice(arguments.animation, arguments.allAnimations);
    command.choice.skins = nameChoice(arguments.skin, arguments.allSkins);
    command.jobs = arguments.jobs > 0 ? arguments.jobs : std::max(1, QThread::idealThreadCount());
    if (!arguments.pageAlpha.isEmpty() && arguments.pageAlpha != QLatin1String("auto"))
        command.premultipliedPages = arguments.pageAlpha == QLatin1String("premultiplied");
    return command;
}

} // namespace kvx
