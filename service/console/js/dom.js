// Building elements without markup: every text goes in as a text node, so nothing read from
// the service is ever parsed as HTML.

// An element TAG with ATTRS (properties for 'className', 'hidden' and handlers 'onX'; attributes
// otherwise) and CHILDREN (nodes, or strings made text nodes; null and false skipped).
export function el(tag, attrs = {}, ...children) {
  const node = document.createElement(tag);
  for (const [name, value] of Object.entries(attrs)) {
    if (value === null || value === undefined || value === false) continue;
    if (name.startsWith('on'))
      node.addEventListener(name.slice(2).toLowerCase(), value);
    else if (name === 'className' || name === 'hidden')
      node[name] = value;
    else
      node.setAttribute(name, value === true ? '' : String(value));
  }
  append(node, children);
  return node;
}

function append(node, children) {
  for (const child of children.flat()) {
    if (child === null || child === undefined || child === false) continue;
    node.append(child instanceof Node ? child : document.createTextNode(String(child)));
  }
}

// Sets NODE's text when it differs (a no-op keeps selection and screen readers quiet).
export function setText(node, text) {
  const value = String(text);
  if (node.textContent !== value) node.textContent = value;
}

// CONTROL (which has an id) under its LABEL, as a form's field.
export function field(label, control) {
  const caption = el('label', {}, label);
  caption.htmlFor = control.id;
  return el('div', {className: 'field'}, caption, control);
}
