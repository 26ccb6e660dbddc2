// A program version's preview: the service plays it from a date and time the user picks on a sign
// of the size of a chosen sign or group and answers an animated GIF, shown as an image.
import {request} from './api.js';
import {el, field, setText} from './dom.js';
import {failureText} from './failure.js';
import {t} from './texts.js';

const kScale = 3;  // pixels per LED each way
const kDefaultSize = {
  width: 6,
  height: 1
};

// A sign's size in modules: what it was built as, else the size it was last given.
export function signSize(sign) {
  const given = sign.settings?.size;
  const width = sign.width ?? given?.width, height = sign.height ?? given?.height;
  return width && height ? {width, height} : null;
}

// A group's size: the largest of its signs' sizes each way (a preview big enough for every one).
export function groupSize(group, signsById) {
  const sizes = group.signs.map((id) => signsById.get(id)).filter(Boolean).map(signSize).filter(Boolean);
  if (!sizes.length) return null;
  return {width: Math.max(...sizes.map((s) => s.width)), height: Math.max(...sizes.map((s) => s.height))};
}

// The browser's local now as "YYYY-MM-DDTHH:MM:SS", the form a datetime-local field takes.
function localNow() {
  const d = new Date();
  const two = (n) => String(n).padStart(2, '0');
  return `${d.getFullYear()}-${two(d.getMonth() + 1)}-${two(d.getDate())}T${two(d.getHours())}:` +
      `${two(d.getMinutes())}:${two(d.getSeconds())}`;
}

export class PreviewForm {
  constructor(program) {
    this.program = program;
    this.version = 0;
    this.at =
        el('input', {id: 'preview-at', type: 'datetime-local', step: 1, required: true, value: localNow()});
    this.size = el('select', {id: 'preview-size'});
    this.seconds =
        el('input', {id: 'preview-seconds', type: 'number', min: 1, max: 60, value: 10, required: true});
    this.show = el('button', {type: 'submit'}, t('preview.show'));
    this.note = el('p', {className: 'note', role: 'status'});
    this.image = el('img', {className: 'preview', hidden: true, alt: ''});
    this.image.addEventListener('load', () => setText(this.note, ''));
    this.image.addEventListener('error', () => this.failed());
    this.caption = el('p', {className: 'caption'});
    this.node = el(
        'form', {className: 'preview-form', onSubmit: (e) => this.submit(e)},
        el('h2', {}, t('preview.title')), field(t('preview.at'), this.at),
        field(t('preview.size'), this.size), field(t('preview.seconds'), this.seconds),
        el('div', {className: 'buttons'}, this.show), this.note, el('figure', {}, this.image, this.caption));
    this.fillSizes([], []);
  }

  // An image gives no reason for failing: the same request again as JSON says why.
  async failed() {
    this.image.hidden = true;
    const path = this.image.getAttribute('src')?.replace(/^\/api\/v1/, '');
    let reason = '';
    try {
      if (path) await request('GET', path);
    } catch (e) {
      reason = failureText(e);
    }
    setText(this.note, reason ? `${t('preview.failed')} ${reason}` : t('preview.failed'));
  }

  setVersion(version) {
    this.version = version;
  }

  // The signs' and groups' sizes to choose from.
  async loadSizes() {
    try {
      const [signs, groups] = await Promise.all([request('GET', '/signs'), request('GET', '/groups')]);
      this.fillSizes(signs, groups);
    } catch (e) {
      setText(this.note, failureText(e));
    }
  }

  fillSizes(signs, groups) {
    const byId = new Map(signs.map((s) => [s.id, s]));
    const option = (label, size) => size &&
        el('option', {value: `${size.width}x${size.height}`},
           t('preview.sizeOf', {name: label, width: size.width, height: size.height}));
    const sorted = (list) => [...list].sort((a, b) => a.name.localeCompare(b.name, t('locale')));
    this.size.replaceChildren(
        ...sorted(signs).map((s) => option(t('preview.sign', {name: s.name}), signSize(s))),
        ...sorted(groups).map((g) => option(t('preview.group', {name: g.name}), groupSize(g, byId))),
        option(t('preview.default'), kDefaultSize));
  }

  submit(event) {
    event.preventDefault();
    if (!this.version) return;
    let at = this.at.value;
    if (!at) return setText(this.note, t('preview.noTime'));
    if (at.length === 16) at += ':00';  // a field without seconds
    const [width, height] = this.size.value.split('x').map(Number);
    const query = new URLSearchParams({at, width, height, seconds: this.seconds.value, scale: kScale});
    setText(this.note, t('preview.loading'));
    const label = this.size.selectedOptions[0]?.textContent ?? '';
    this.image.alt = t('preview.alt', {version: this.version, at: at.replace('T', ' '), size: label});
    setText(this.caption, this.image.alt);
    this.image.hidden = false;
    this.image.src = `/api/v1/programs/${this.program}/versions/${this.version}/preview?${query}`;
  }
}
