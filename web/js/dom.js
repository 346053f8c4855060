// Building the page from data without HTML strings: every text goes in as
// text, so nothing the controller or a user named can turn into markup.

// h('a', {href: '#/', class: 'x', onclick: fn}, 'text', child, [more]) -> element
export function h(tag, attributes = {}, ...children) {
  const element = document.createElement(tag);
  for (const [name, value] of Object.entries(attributes || {})) {
    if (value === undefined || value === null || value === false) continue;
    if (name.startsWith('on') && typeof value === 'function') element.addEventListener(name.slice(2), value);
    else if (name === 'dataset') Object.assign(element.dataset, value);
    else if (value === true) element.setAttribute(name, '');
    else element.setAttribute(name, String(value));
  }
  append(element, children);
  return element;
}

function append(element, children) {
  for (const child of children) {
    if (child === undefined || child === null || child === false) continue;
    if (Array.isArray(child)) append(element, child);
    else element.append(child instanceof Node ? child : String(child));
  }
}

// Replaces the element's content; keeps the focus on the control that had
// it (found again by its id) so that live updates never steal the keyboard.
export function replace(element, ...children) {
  const focused = document.activeElement && element.contains(document.activeElement) ? document.activeElement.id : '';
  element.replaceChildren();
  append(element, children);
  if (focused) document.getElementById(focused)?.focus({ preventScroll: true });
}

// What each tone looks like besides its colour: an icon and a word for
// screen readers, so that colour is never the only signal.
const tones = {
  good: { icon: '✔', label: 'good' },
  attention: { icon: '⚠', label: 'needs attention' },
  bad: { icon: '✖', label: 'failed' },
  spare: { icon: '◆', label: 'spare' },
  neutral: { icon: '●', label: '' },
};

// A state badge: icon, text and the tone's colour.
export function badge(tone, text) {
  const look = tones[tone] || tones.neutral;
  return h('span', { class: `badge tone-${tone || 'neutral'}` },
    h('span', { class: 'icon', 'aria-hidden': 'true' }, look.icon), ' ', text,
    look.label ? h('span', { class: 'sr-only' }, ` (${look.label})`) : null);
}
