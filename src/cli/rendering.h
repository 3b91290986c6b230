#pragma once
// kovexa-cli render: its options turned into render settings, checked before anything runs.

#include "cli/cliarguments.h"
#include "render/qt/rendersettings.h"
#include "render/skeletonsurvey.h"

#include <QString>
#include <optional>
#include <variant>

namespace kvx {

struct RenderCommand {
    RenderSettings settings;
    SurveyRequest choice;
    std::optional<bool> premultipliedPages; // --page-alpha other than auto
    int jobs = 1;
};

// The settings, or an English message for a mistake (the exit code is 2): values that do not
// parse, options that exclude each other, and every limit of checkRenderSettings.
std::variant<RenderCommand, QString> renderCommandFrom(const CliArguments &arguments);

} // namespace kvx
