// The texts shown to the user, looked up by key in the language of the page.
import ko from './lang/ko.js';

const languages = {ko};
let current = languages.ko;

export function setLanguage(code) {
  current = languages[code] ?? languages.ko;
}

// The text for KEY with each "{name}" replaced by PARAMS.name.
export function t(key, params = {}) {
  const text = current[key] ?? key;
  return text.replace(/\{(\w+)\}/g, (_, name) => String(params[name] ?? ''));
}
