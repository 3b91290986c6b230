// Bundles one line's script (the official runtime, the adapter and the shared glue) into a
// single IIFE that Qt 6.4's QJSEngine accepts, and writes it as a C++ source so the plugin
// library carries its script inside.
//
// node bundle.mjs <line> <node_modules folder> <output .cpp>
//
// Beside the .cpp it writes the same script as .js, which the tests run under node to compare
// with QJSEngine.

import { createRequire } from "node:module";
import { readFileSync, writeFileSync, mkdirSync } from "node:fs";
import path from "node:path";
import { fileURLToPath } from "node:url";

const [line, nodeModules, output] = process.argv.slice(2);
if (!line || !nodeModules || !output) {
    console.error("usage: node bundle.mjs <line> <node_modules folder> <output .cpp>");
    process.exit(2);
}
const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(path.join(nodeModules, "package.json"));
const esbuild = require("esbuild");

// Package that supplies each line's runtime, for the plugin's description.
const runtimePackages = {
    "3.8": "@pixi-spine/runtime-3.8",
    "4.0": "spine-core-4.0",
    "4.1": "spine-core-4.1",
    "4.2": "spine-core-4.2",
    "4.3": "spine-core-4.3",
};

// The 3.8 package exports only its display-object entry, so its modules are reached by file,
// and the rendering framework it imports is replaced by stand-ins.
function runtime38Files() {
    const files = {
        "pixi-spine-3.8-files/": path.join(nodeModules, "@pixi-spine/runtime-3.8/lib/"),
        "pixi-spine-base-files/": path.join(nodeModules, "@pixi-spine/base/lib/"),
    };
    return {
        name: "runtime-3.8-files",
        setup(build) {
            build.onResolve({ filter: /^@pixi\/core$/ }, () => ({ path: path.join(here, "script/pixi-standins.js") }));
            build.onResolve({ filter: /^@pixi-spine\/base$/ }, () => ({ path: path.join(here, "script/pixi-spine-base.js") }));
            build.onResolve({ filter: /^pixi-spine-(3\.8|base)-files\// }, (args) => {
                const prefix = Object.keys(files).find((key) => args.path.startsWith(key));
                return { path: files[prefix] + args.path.slice(prefix.length) };
            });
            build.onResolve({ filter: /^@pixi\// }, (args) => ({
                errors: [{ text: `rendering framework module ${args.path} has no stand-in` }],
            }));
        },
    };
}

const pathConstraint38 = /[\\/]@pixi-spine[\\/]runtime-3\.8[\\/]lib[\\/]core[\\/]PathConstraint\.mjs$/;

// Source patches for faults of the pinned runtimes. Each names the file it applies to and the
// exact text it replaces; the build fails when a file of this line is missing, when a text is
// not found exactly once, or when a patch was never applied, so a changed pinned version cannot
// skip one silently: whoever bumps a version either keeps the patch matching or drops it.
const sourcePatches = [
    {
        // The 3.8 port doubles "if (tangents)", binding the following "else" to the inner if: in
        // the chain rotate modes bones then never turn toward the path. The 3.8 runtime has one.
        name: "3.8 path constraint chain rotation",
        lines: ["3.8"],
        file: pathConstraint38,
        edits: [{ find: /if \(tangents\)\s*if \(tangents\)/g, replace: "if (tangents)" }],
    },
    {
        // The port leaves fixed spacing unscaled and, in chain scale mode, scales percent spacing
        // by the bone's world scale. The 3.8 runtime scales fixed spacing by the bone's world
        // scale as it does length spacing (a bone without length then adds no space) and never
        // scales percent spacing.
        name: "3.8 path constraint spacing",
        lines: ["3.8"],
        file: pathConstraint38,
        edits: [
            { find: /if \(scale \|\| lengthSpacing\)/g, replace: "if (scale || spacingMode != SpacingMode.Percent)" },
            { find: /spaces\[\+\+i\] = \(lengthSpacing \?/g,
              replace: "spaces[++i] = spacingMode == SpacingMode.Percent ? spacing : (lengthSpacing ?" },
        ],
    },
    {
        // On a constant-speed path the 3.8 runtime stretches a fixed position by the path's world
        // length over its recorded length; the port leaves it as recorded.
        name: "3.8 path constraint fixed position",
        lines: ["3.8"],
        file: pathConstraint38,
        edits: [{ find: /if \(percentPosition\)\s*position \*= pathLength;/g,
                  replace: "position *= percentPosition ? pathLength : pathLength / path.lengths[curveCount - 1];" }],
    },
    {
        // At a curve's start the port nudges the curve parameter to 1e-4 and, for tangents, turns
        // the bone along the curve there; the 3.8 runtime takes the curve's first point and, up to
        // a parameter of 0.001, the direction of its first handle.
        name: "3.8 path constraint curve start",
        lines: ["3.8"],
        file: pathConstraint38,
        edits: [
            { find: /if \(p == 0 \|\| isNaN\(p\)\)\s*p = 1e-4;/g,
              replace: "if (p == 0 || isNaN(p)) {"
                  + " out[o] = x1; out[o + 1] = y1; out[o + 2] = Math.atan2(cy1 - y1, cx1 - x1); return; }" },
            { find: /if \(tangents\)\s*out\[o \+ 2\] = Math\.atan2\(y - /g,
              replace: "if (tangents) out[o + 2] = p < 0.001 ? Math.atan2(cy1 - y1, cx1 - x1) : Math.atan2(y - " },
        ],
    },
    {
        // QJSEngine (Qt 6.4) runs an unlabeled "break" inside a labeled "if" as leaving only the
        // if's block, not the enclosing loop. The ear search relies on leaving the loop there, so
        // that break is given the loop's label. 3.8 borrows the 4.0 clipper and its triangulator.
        name: "triangulator ear search break",
        lines: ["3.8", "4.0", "4.1", "4.2", "4.3"],
        file: /[\\/]spine-core-4\.\d[\\/]dist[\\/]Triangulator\.js$/,
        edits: [
            { find: /while \(true\) \{(\s*(?:\/\/[^\n]*\s*)?)outer: if \(!isConcave\[i\]\) \{/g,
              replace: "kvxEarSearch: while (true) {$1outer: if (!isConcave[i]) {" },
            { find: /(break outer;[^]*?)\bbreak;/g, replace: "$1break kvxEarSearch;" },
        ],
    },
];

function patchText(patch, filePath, text) {
    for (const edit of patch.edits) {
        const matches = text.match(edit.find);
        if (!matches || matches.length !== 1)
            throw new Error(`patch "${patch.name}": expected one match of ${edit.find} in ${filePath}, found ${matches ? matches.length : 0}`);
        text = text.replace(edit.find, edit.replace);
    }
    return text;
}

function runtimePatches(applied) {
    const patches = sourcePatches.filter((patch) => patch.lines.includes(line));
    return {
        name: "runtime-patches",
        setup(build) {
            // Whichever patch's filter matches first applies every patch of that file.
            for (const patch of patches) {
                build.onLoad({ filter: patch.file }, (args) => {
                    let contents = readFileSync(args.path, "utf8");
                    for (const filePatch of patches.filter((each) => each.file.test(args.path))) {
                        contents = patchText(filePatch, args.path, contents);
                        applied.add(filePatch.name);
                    }
                    return { contents, loader: "js", resolveDir: path.dirname(args.path) };
                });
            }
        },
    };
}

function packageVersion(name) {
    const manifest = JSON.parse(readFileSync(path.join(nodeModules, name, "package.json"), "utf8"));
    return `${manifest.name} ${manifest.version}`;
}

// Raw string literals, split so no single literal grows past what every compiler accepts.
function cppStringPieces(text) {
    const delimiter = "kvxjs";
    if (text.includes(`)${delimiter}"`))
        throw new Error("script contains the raw string delimiter");
    const pieces = [];
    for (let i = 0; i < text.length; i += 12000)
        pieces.push(`R"${delimiter}(${text.slice(i, i + 12000)})${delimiter}"`);
    return pieces.join("\n");
}

const appliedPatches = new Set();
const result = await esbuild.build({
    entryPoints: [path.join(here, `script/line-${line}.js`)],
    bundle: true,
    write: false,
    format: "iife",
    globalName: "kvxRuntime",
    // QJSEngine in Qt 6.4 has no class fields, async functions, object spread or optional catch
    // bindings; lowering to ES2017 without async covers all of them.
    target: "es2017",
    supported: { "async-await": false, "async-generator": false },
    charset: "ascii",
    minifyWhitespace: true,
    minifySyntax: true,
    legalComments: "eof",
    nodePaths: [nodeModules],
    plugins: [runtimePatches(appliedPatches), ...(line === "3.8" ? [runtime38Files()] : [])],
    logLevel: "warning",
});
for (const patch of sourcePatches) {
    if (patch.lines.includes(line) && !appliedPatches.has(patch.name)) {
        console.error(`patch "${patch.name}" was not applied: no bundled file matches ${patch.file}`);
        process.exit(1);
    }
}
const script = result.outputFiles[0].text;

const source = `// Generated by plugins/runtime/bundle.mjs for the ${line} line; do not edit.
#include "embeddedscript.h"

namespace kvx::plugin {

const char *embeddedLine() { return "${line}"; }
const char *embeddedRuntimeName() { return "${packageVersion(runtimePackages[line])}"; }

static const char scriptText[] =
${cppStringPieces(script)};

std::string_view embeddedScript() { return std::string_view(scriptText, sizeof scriptText - 1); }

} // namespace kvx::plugin
`;
mkdirSync(path.dirname(output), { recursive: true });
writeFileSync(output, source);
writeFileSync(output.replace(/\.cpp$/, ".js"), script);
