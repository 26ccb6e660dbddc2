// Programs: every program with its versions; one program's versions and a version's items in the
// editor's nine columns. Operators may delete a program (the service refuses while it is in use).
import {request} from './api.js';
import {el, setText} from './dom.js';
import {failureText} from './failure.js';
import {shortTime} from './format.js';
import {t} from './texts.js';

export function mountPrograms(view) {
  const status = el('p', {className: 'status', role: 'status'});
  const body = el('tbody');
  const empty = el('p', {className: 'empty', hidden: true}, t('programs.empty'));
  const table =
      el('table', {className: 'signs programs'},
         el('thead', {},
            el('tr', {},
               ['name', 'latest', 'versions', 'created'].map(
                   (k) => el('th', {scope: 'col'}, t('programcol.' + k))))),
         body);
  view.append(el('div', {className: 'heading'}, el('h1', {}, t('programs.title'))), status, empty, table);
  let gone = false;
  request('GET', '/programs')
      .then((programs) => {
        if (gone) return;
        programs.sort((a, b) => a.name.localeCompare(b.name, t('locale')) || a.id - b.id);
        body.replaceChildren(...programs.map(
            (p) =>
                el('tr', {},
                   el('th', {scope: 'row', 'data-label': t('programcol.name')},
                      el('a', {href: `#/programs/${p.id}`}, p.name)),
                   el('td', {'data-label': t('programcol.latest')}, String(p.latest)),
                   el('td', {'data-label': t('programcol.versions')}, String(p.versions.length)),
                   el('td', {'data-label': t('programcol.created')}, shortTime(p.created)))));
        empty.hidden = programs.length > 0;
        table.hidden = programs.length === 0;
      })
      .catch((e) => gone || setText(status, failureText(e)));
  return () => {
    gone = true;
  };
}

// A version's items under the column headings the service gives.
function itemsTable(version) {
  if (!version.rows.length) return el('p', {className: 'empty'}, t('program.noItems'));
  return el(
      'div', {className: 'scroll'},
      el('table', {className: 'items'}, el('caption', {}, t('program.itemsOf', {version: version.version})),
         el('thead', {}, el('tr', {}, version.columns.map((c) => el('th', {scope: 'col'}, c)))),
         el('tbody', {}, version.rows.map((r) => el('tr', {}, r.map((cell) => el('td', {}, cell)))))));
}

export function mountProgram(view, context, id) {
  const status = el('p', {className: 'status', role: 'status'});
  const title = el('h1', {}, t('program.title', {program: id}));
  const versions = el('tbody');
  const items = el('section', {className: 'items-view', 'aria-live': 'polite'});
  const actions = el('div', {className: 'command-row'});
  view.append(
      el('a', {href: '#/programs', className: 'back'}, t('programs.back')),
      el('div', {className: 'heading'}, title), status, actions, el('h2', {}, t('program.versions')),
      el('table', {className: 'signs versions'},
         el('thead', {},
            el('tr', {},
               ['version', 'items', 'by', 'created'].map(
                   (k) => el('th', {scope: 'col'}, t('versioncol.' + k))))),
         versions),
      items);
  let gone = false;

  async function showVersion(version) {
    try {
      const v = await request('GET', `/programs/${id}/versions/${version}`);
      if (gone) return;
      items.replaceChildren(itemsTable(v));
      for (const row of versions.children)
        row.classList.toggle('chosen', row.dataset.version === String(version));
    } catch (e) {
      if (!gone) setText(status, failureText(e));
    }
  }

  async function remove(program) {
    if (!window.confirm(t('program.confirmDelete', {program: program.name}))) return;
    try {
      await request('DELETE', `/programs/${id}`);
      location.hash = '#/programs';
    } catch (e) {
      setText(status, e.status === 409 ? t('program.inUse', {program: program.name}) : failureText(e));
    }
  }

  request('GET', `/programs/${id}`)
      .then((p) => {
        if (gone) return;
        setText(title, p.name);
        versions.replaceChildren(...[...p.versions].reverse().map(
            (v) =>
                el('tr', {'data-version': v.version},
                   el('th', {scope: 'row', 'data-label': t('versioncol.version')},
                      el('button', {
                        type: 'button',
                        className: 'link',
                        onClick: () => showVersion(v.version),
                        'aria-label': t('program.showVersion', {version: v.version})
                      },
                         String(v.version))),
                   el('td', {'data-label': t('versioncol.items')}, String(v.items)),
                   el('td', {'data-label': t('versioncol.by')}, v.createdBy),
                   el('td', {'data-label': t('versioncol.created')}, shortTime(v.created)))));
        if (context.mayOperate())
          actions.replaceChildren(
              el('button', {type: 'button', className: 'danger', onClick: () => remove(p)},
                 t('program.delete')));
        items.replaceChildren(itemsTable(p.current));
        for (const row of versions.children)
          row.classList.toggle('chosen', row.dataset.version === String(p.current.version));
      })
      .catch((e) => gone || setText(status, e.status === 404 ? t('program.missing') : failureText(e)));
  return () => {
    gone = true;
  };
}
