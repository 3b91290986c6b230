#include "scriptruntime.h"

#include "embeddedscript.h"
#include "hostapplication.h"
#include "interpretedscripts.h"

#include <QLoggingCategory>

namespace kvx::plugin {

namespace {

// QJSEngine has no console; the runtimes' notes and deprecation warnings go nowhere, since the
// program writes no log.
const char *const quietConsole = "var console = { log: function () {}, info: function () {}, "
                                 "warn: function () {}, error: function () {}, debug: function () {} };";

QLoggingCategory::CategoryFilter previousFilter = nullptr;

// The script compiler notes that bundled modules use names before their declaration, which is
// how bundles are laid out and harmless; the rest of the program's logging is left alone.
void quietScriptCompiler(QLoggingCategory *category)
{
    if (previousFilter)
        previousFilter(category);
    if (qstrcmp(category->categoryName(), "qt.qml.compiler") == 0)
        category->setEnabled(QtWarningMsg, false);
}

} // namespace

bool ScriptRuntime::start(std::string &error)
{
    static const bool filterInstalled = [] {
        previousFilter = QLoggingCategory::installFilter(quietScriptCompiler);
        return true;
    }();
    (void)filterInstalled;
    ensureApplication();
    keepScriptsInterpreted();
    jsEngine = std::make_unique<QJSEngine>();
    jsEngine->evaluate(QString::fromLatin1(quietConsole));
    const std::string_view script = embeddedScript();
    const QJSValue result = jsEngine->evaluate(QString::fromUtf8(script.data(), qsizetype(script.size())),
                                               QStringLiteral("kvx-runtime-%1.js").arg(embeddedLine()));
    if (jsEngine->hasError() || result.isError()) {
        const QJSValue thrown = jsEngine->hasError() ? jsEngine->catchError() : result;
        error = "Runtime script could not be started: " + scriptErrorText(thrown);
        return false;
    }
    runtime = jsEngine->globalObject().property(QStringLiteral("kvxRuntime")).property(QStringLiteral("runtime"));
    if (!runtime.isObject()) {
        error = "Runtime script did not define its runtime object.";
        return false;
    }
    return true;
}

ScriptResult ScriptRuntime::call(const char *method, const QJSValueList &arguments)
{
    ScriptResult result;
    QJSValue function = runtime.property(QString::fromLatin1(method));
    if (!function.isCallable()) {
        result.error = std::string("Runtime script has no function ") + method + ".";
        return result;
    }
    // A thrown error comes back as the call's value; hasError covers anything else thrown.
    result.value = function.callWithInstance(runtime, arguments);
    if (jsEngine->hasError() || result.value.isError()) {
        result.error = scriptErrorText(jsEngine->hasError() ? jsEngine->catchError() : result.value);
        return result;
    }
    result.ok = true;
    return result;
}

std::string scriptErrorText(const QJSValue &error)
{
    const QJSValue message = error.property(QStringLiteral("message"));
    const QString text = message.isString() && !message.toString().isEmpty() ? message.toString() : error.toString();
    return text.toStdString();
}

} // namespace kvx::plugin
