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

const mathjaxFile = (name) => new RegExp(`mathjax-full[\\\\/]ts[\\\\/]${name.replaceAll('/', '[\\\\/]')}\\.ts$`);

// MathJax modules that QJSEngine runs badly, and the file of ours that takes
// each one's place (see the comment at the top of each).
const replacements = [{ pattern: mathjaxFile('core/MmlTree/Attributes'), file: 'Attributes.js' }];

// QJSEngine (Qt 6.4) gets two things wrong that MathJax's sources do once
// each: an arrow function in the constructor of a derived class does not see
// `this` ("this is not defined"), and `super.method()` inside an arrow
// function is called without `this`. Each place is rewritten to the same
// thing without an arrow. After a MathJax update, look for new such places.
const edits = [
  {
    pattern: mathjaxFile('output/common/Wrapper'),
    from: `    this.childNodes = node.childNodes.map((child: MmlNode) => {
      const wrapped = this.wrap(child);
      if (wrapped.bbox.pwidth && (node.notParent || node.isKind('math'))) {
        this.bbox.pwidth = BBox.fullWidth;
      }`,
    to: `    const self = this;
    this.childNodes = node.childNodes.map((child: MmlNode) => {
      const wrapped = self.wrap(child);
      if (wrapped.bbox.pwidth && (node.notParent || node.isKind('math'))) {
        self.bbox.pwidth = BBox.fullWidth;
      }`,
  },
  {
    pattern: mathjaxFile('core/MmlTree/MmlNode'),
    from: 'child.childNodes.forEach((node) => super.appendChild(node));',
    to: 'for (const node of child.childNodes) super.appendChild(node);',
  },
];

const done = new Set();
const adaptForQJSEngine = {
  name: 'adapt-for-qjsengine',
  setup(build) {
    for (const r of replacements) {
      build.onLoad({ filter: r.pattern }, async () => {
        done.add(r);
        return { contents: await readFile(path.join(here, r.file), 'utf8'), loader: 'js', resolveDir: here };
      });
    }
    for (const e of edits) {
      build.onLoad({ filter: e.pattern }, async (args) => {
        const text = await readFile(args.path, 'utf8');
        if (!text.includes(e.from)) {
          return { errors: [{ text: `${args.path} no longer holds the code to rewrite: ${e.from}` }] };
        }
        done.add(e);
        return { contents: text.replace(e.from, e.to), loader: 'ts' };
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
  // QJSEngine has ES2016 (object spread and later are syntax errors to it).
  target: 'es2016',
  // MathJax's sources are written for TypeScript's class fields: a field
  // without a value does not reset what the base class's constructor set.
  tsconfigRaw: { compilerOptions: { useDefineForClassFields: false } },
  // QJSEngine (Qt 6.4) has no globalThis; the banner gives the bundle one.
  banner: { js: 'var globalThis = this;' },
  logLevel: 'error',
  plugins: [adaptForQJSEngine],
});

// A MathJax update that moves a module must not drop a change unseen.
for (const change of [...replacements, ...edits]) {
  if (!done.has(change)) {
    console.error(`build.mjs: ${change.pattern} was not bundled, so it was not changed; MathJax has changed`);
    process.exit(1);
  }
}
