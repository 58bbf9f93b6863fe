// The attributes of one MathML node, in place of MathJax's own
// core/MmlTree/Attributes (build.mjs swaps it in): the same interface and the
// same answers, kept in flat objects.
//
// MathJax chains four objects (explicit -> inherited -> defaults -> global),
// each the prototype of the one before, and writes to them after the chain is
// built. QJSEngine's V4 reworks its internal classes each time an object that
// is already a prototype gains a property, at a cost that grows with every
// object made so far: that was four fifths of the time of a formula. Here only
// `defaults` has a prototype (the shared `global`), and it is complete before
// anything else sees it; a value is looked up level by level instead.

export const INHERIT = '_inherit_';

const hasOwn = Object.prototype.hasOwnProperty;

export class Attributes {
  constructor(defaults, global) {
    this.global = global;
    this.defaults = Object.create(global);
    Object.assign(this.defaults, defaults);
    this.inherited = {};
    this.attributes = {};
  }

  set(name, value) {
    this.attributes[name] = value;
  }

  setList(list) {
    Object.assign(this.attributes, list);
  }

  // The explicit value, else the inherited one, else the default (whose
  // prototype holds the global defaults); INHERIT means the global default.
  get(name) {
    let value;
    if (hasOwn.call(this.attributes, name)) {
      value = this.attributes[name];
    } else if (hasOwn.call(this.inherited, name)) {
      value = this.inherited[name];
    } else {
      value = this.defaults[name];
    }
    if (value === INHERIT) {
      value = this.global[name];
    }
    return value;
  }

  getExplicit(name) {
    if (!hasOwn.call(this.attributes, name)) {
      return undefined;
    }
    return this.attributes[name];
  }

  getList(...names) {
    const values = {};
    for (const name of names) {
      values[name] = this.get(name);
    }
    return values;
  }

  setInherited(name, value) {
    this.inherited[name] = value;
  }

  getInherited(name) {
    return hasOwn.call(this.inherited, name) ? this.inherited[name] : this.defaults[name];
  }

  getDefault(name) {
    return this.defaults[name];
  }

  isSet(name) {
    return hasOwn.call(this.attributes, name) || hasOwn.call(this.inherited, name);
  }

  hasDefault(name) {
    return name in this.defaults;
  }

  getExplicitNames() {
    return Object.keys(this.attributes);
  }

  getInheritedNames() {
    return Object.keys(this.inherited);
  }

  getDefaultNames() {
    return Object.keys(this.defaults);
  }

  getGlobalNames() {
    return Object.keys(this.global);
  }

  // Callers read these objects' own keys, delete from them or copy them,
  // which the flat objects answer as the chained ones did. (The TeX input's
  // cleanAttributes reads and deletes `attributes[name]` directly, only for
  // explicit names: the same too.)
  getAllAttributes() {
    return this.attributes;
  }

  getAllInherited() {
    return this.inherited;
  }

  getAllDefaults() {
    return this.defaults;
  }

  getAllGlobals() {
    return this.global;
  }
}
