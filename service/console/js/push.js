// Commands sent to signs as jobs: the dialog that pushes a program, and what a refusal says.
import {ApiError, request} from './api.js';
import {el, setText} from './dom.js';
import {t} from './texts.js';

// Creates a job of ACTION with PARAMS for the sign; the job's id.
export async function sendJob(action, sign, params = {}) {
  const job = await request('POST', '/jobs', {action, signs: [sign.id], ...params});
  return job.id;
}

// The dialog that pushes a program to one sign.
export class PushDialog {
  constructor(onDone) {
    this.onDone = onDone;
    this.target = el('p');
    this.select = el('select', {id: 'push-program', required: true});
    this.note = el('p', {className: 'note', role: 'alert'});
    this.send = el('button', {type: 'submit'}, t('push.send'));
    const cancel = el('button', {type: 'button', onClick: () => this.node.close()}, t('push.cancel'));
    this.form = el(
        'form', {onSubmit: (e) => this.submit(e)}, el('h2', {}, t('push.title')), this.target, el('label', { for: 'push-program'
        }, t('push.program')), this.select, this.note, el('div', {className: 'buttons'}, this.send, cancel));
    this.node = el('dialog', {className: 'dialog', 'aria-label': t('push.title')}, this.form);
  }

  open(sign, programs) {
    this.sign = sign;
    setText(this.target, t('push.target', {sign: sign.name}));
    this.select.replaceChildren(...[...programs.values()].map(
        (p) => el('option', {value: p.id}, t('program.name', {name: p.name, version: p.latest}))));
    setText(this.note, programs.size ? '' : t('push.noPrograms'));
    this.send.disabled = programs.size === 0;
    this.node.showModal();
    this.select.focus();
  }

  async submit(event) {
    event.preventDefault();
    this.send.disabled = true;
    try {
      const job = await sendJob('push', this.sign, {program: Number(this.select.value)});
      this.node.close();
      this.onDone(t('push.started', {sign: this.sign.name, job}));
    } catch (e) {
      setText(this.note, await refusalText(e, this.sign));
    } finally {
      this.send.disabled = false;
    }
  }
}

// What a refused command says to the user; for a sign another job holds, which job that is.
export async function refusalText(e, sign) {
  if (!(e instanceof ApiError) || e.status === 0) return t('error.offline');
  if (e.code === 'sign-busy') {
    try {
      const now = await request('GET', `/signs/${sign.id}`);
      if (now.busyJob) return t('push.busyJob', {sign: sign.name, job: now.busyJob});
    } catch {
      // Said without the job's number.
    }
    return t('push.busy', {sign: sign.name});
  }
  if (e.status === 403) return t('error.forbidden');
  return t('error.failed', {message: e.message});
}
