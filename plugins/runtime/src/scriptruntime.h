#pragma once
// One QJSEngine running the embedded runtime script, and calls into its runtime object.

#include <QJSEngine>
#include <QJSValue>

#include <memory>
#include <string>

namespace kvx::plugin {

struct ScriptResult {
    bool ok = false;
    QJSValue value;
    std::string error; // the script's own message when ok is false
};

class ScriptRuntime {
public:
    // Evaluates the embedded script in a fresh engine; false with error when it does not run.
    bool start(std::string &error);
    ScriptResult call(const char *method, const QJSValueList &arguments);
    QJSEngine &engine() { return *jsEngine; }

private:
    std::unique_ptr<QJSEngine> jsEngine;
    QJSValue runtime;
};

// The message of a thrown script error (or the value's text when it has none).
std::string scriptErrorText(const QJSValue &error);

} // namespace kvx::plugin
