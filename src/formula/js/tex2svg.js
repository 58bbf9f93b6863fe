// The formula engine the program runs in QJSEngine: one function,
// tex2svg(latex), that typesets TeX as an SVG document.
//
// Only the packages a maths teacher uses are bundled, which keeps the script
// small and quick to load. Undefined commands are errors (no `noundefined`),
// so the editor can say what is wrong instead of showing red text.
//
// MathJax is bundled from its TypeScript sources (mathjax-full/ts), not from
// its ES5 build: native classes, loops and spreads instead of the ES5
// helpers give a script a sixth smaller that QJSEngine compiles a third
// faster. build.mjs works around the two V4 faults this code meets.
import { mathjax } from 'mathjax-full/ts/mathjax.js';
import { TeX } from 'mathjax-full/ts/input/tex.js';
import { SVG } from 'mathjax-full/ts/output/svg.js';
import { liteAdaptor } from 'mathjax-full/ts/adaptors/liteAdaptor.js';
import { RegisterHTMLHandler } from 'mathjax-full/ts/handlers/html.js';
import 'mathjax-full/ts/input/tex/base/BaseConfiguration.js';
import 'mathjax-full/ts/input/tex/ams/AmsConfiguration.js';
import 'mathjax-full/ts/input/tex/newcommand/NewcommandConfiguration.js';
import 'mathjax-full/ts/input/tex/boldsymbol/BoldsymbolConfiguration.js';
import 'mathjax-full/ts/input/tex/cancel/CancelConfiguration.js';
import 'mathjax-full/ts/input/tex/color/ColorConfiguration.js';
import 'mathjax-full/ts/input/tex/extpfeil/ExtpfeilConfiguration.js';

const adaptor = liteAdaptor();
RegisterHTMLHandler(adaptor);

const tex = new TeX({
  packages: ['base', 'ams', 'newcommand', 'boldsymbol', 'cancel', 'color', 'extpfeil'],
  // Equation numbers would come as nested <svg> elements, which Qt's SVG
  // renderer drops; a formula in a question never has one.
  tags: 'none',
  // A parse error is thrown to tex2svg, not typeset as a red message.
  formatError: (jax, err) => {
    throw err;
  },
});
// Paths inline, not shared through <use>: each formula is drawn on its own.
const svg = new SVG({ fontCache: 'none' });
const html = mathjax.document('', { InputJax: tex, OutputJax: svg });

// Returns {svg: "<svg ...>", error: ""} or {svg: "", error: "message"}.
// Typeset in display style: school papers print fractions and limits at
// full size even within a line of text (\tfrac gives a small one).
function tex2svg(latex) {
  try {
    const node = html.convert(String(latex), { display: true });
    return { svg: adaptor.innerHTML(node), error: '' };
  } catch (err) {
    const message = err && err.message ? err.message : String(err);
    return { svg: '', error: message };
  }
}

globalThis.tex2svg = tex2svg;
