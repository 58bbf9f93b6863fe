// Bundles the formula engine: tex2svg.js and the parts of MathJax it imports,
// as one script for QJSEngine. CMake copies this folder into the npm folder
// (where esbuild and MathJax are installed) and runs
//   node build.mjs <output file>
import * as esbuild from 'esbuild';
import { readFile } from 'node:fs/promises';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const outfile = process.argv[2];
if (!outfile) {
  console.error('usage: node build.mjs <output file>');
  process.exit(2);
}

// MathJax modules that QJSEngine runs badly, and the file of ours that takes
// each one's place (see the comment at the top of each).
const replacements = [{ pattern: /mathjax-full[\\/]js[\\/]core[\\/]MmlTree[\\/]Attributes\.js$/, file: 'Attributes.js' }];
const replaced = new Set();
const replaceModules = {
  name: 'replace-modules',
  setup(build) {
    for (const { pattern, file } of replacements) {
      build.onLoad({ filter: pattern }, async () => {
        replaced.add(file);
        return { contents: await readFile(path.join(here, file), 'utf8'), loader: 'js', resolveDir: here };
      });
    }
  },
};

await esbuild.build({
  entryPoints: [path.join(here, 'tex2svg.js')],
  outfile,
  bundle: true,
  minify: true,
  format: 'iife',
  target: 'es2016',
  // QJSEngine (Qt 6.4) has no globalThis; the banner gives the bundle one.
  banner: { js: 'var globalThis = this;' },
  logLevel: 'error',
  plugins: [replaceModules],
});

// A MathJax update that moves a module must not drop its replacement unseen.
for (const { file } of replacements) {
  if (!replaced.has(file)) {
    console.error(`build.mjs: nothing was replaced by ${file}; MathJax has changed`);
    process.exit(1);
  }
}
