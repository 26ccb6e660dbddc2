// The form that uploads a program bundle: as a new program (with a name) or as the next version
// of one. The service stores a bundle whole or not at all, so a refusal only needs saying.
import {ApiError, upload} from './api.js';
import {el, field, setText} from './dom.js';
import {failureText} from './failure.js';
import {t} from './texts.js';

let forms = 0;  // ids for the fields of each form on the page

// What a refused upload says: too large and not a bundle in words of their own.
export function uploadFailureText(e) {
  if (e instanceof ApiError && e.status === 413) return t('upload.tooLarge');
  if (e instanceof ApiError && (e.status === 415 || e.status === 422))
    return t('upload.notBundle', {message: e.message});
  return failureText(e);
}

export class UploadForm {
  // Posts to PATH; ONDONE gets the service's answer ({id, version, warnings}). WITHNAME asks for
  // the new program's name.
  constructor(path, onDone, withName = true) {
    const n = ++forms;
    this.path = path;
    this.onDone = onDone;
    this.name = withName ? el('input', {id: `upload-name-${n}`, type: 'text', maxlength: 200}) : null;
    this.file =
        el('input', {id: `upload-file-${n}`, type: 'file', accept: '.zip,application/zip', required: true});
    this.send = el('button', {type: 'submit'}, t('upload.send'));
    this.note = el('p', {className: 'note', role: 'status'});
    this.node =
        el('form', {className: 'upload', onSubmit: (e) => this.submit(e)},
           el('h2', {}, t(withName ? 'upload.title' : 'upload.versionTitle')),
           this.name && field(t('upload.name'), this.name), field(t('upload.file'), this.file),
           el('div', {className: 'buttons'}, this.send), this.note);
  }

  async submit(event) {
    event.preventDefault();
    const file = this.file.files[0];
    if (!file) return setText(this.note, t('upload.noFile'));
    let path = this.path;
    const name = this.name?.value.trim();
    if (name) path += '?name=' + encodeURIComponent(name);
    this.send.disabled = true;
    setText(this.note, t('upload.sending', {file: file.name}));
    try {
      const created = await upload('POST', path, file, 'application/zip');
      const warnings = created.warnings ?? [];
      setText(
          this.note,
          t('upload.done', {version: created.version}) +
              (warnings.length ? ' ' + t('upload.warnings', {warnings: warnings.join(' / ')}) : ''));
      this.node.reset();
      this.onDone(created);
    } catch (e) {
      setText(this.note, uploadFailureText(e));
    } finally {
      this.send.disabled = false;
    }
  }
}
