// Array detail: members and spares with their states, the activity with its
// controls, the schedules, the recent events, and the array's changes.

import { api } from '../api.js';
import { badge, h, replace } from '../dom.js';
import { closeDialog, guardedChange, openDialog, showError, showOutcome } from '../dialogs.js';
import { list, size, time } from '../format.js';
import { store } from '../store.js';
import { freeDisks } from './create.js';
import { activityCell } from './overview.js';
import { scheduleForm, scheduleTable } from './schedules.js';

async function run(what, promise) {
  try {
    const outcome = await promise;
    if (outcome) showOutcome(outcome);
  } catch (error) {
    showError(error, what);
  }
}

function checkboxes(prefix, disks, checked) {
  return disks.map((disk) => h('div', { class: 'check' },
    h('input', { type: 'checkbox', id: `${prefix}-${disk.id}`, value: disk.id, checked: checked.includes(disk.id) }),
    h('label', { for: `${prefix}-${disk.id}` }, `Disk ${disk.id} · ${size(disk.size_sectors)} · ${disk.status_text}`)));
}

function picked(prefix) {
  return [...document.querySelectorAll(`input[id^="${prefix}-"]:checked`)].map((box) => Number(box.value));
}

function rebuildDialog(base, adapter, array) {
  const candidates = adapter.disks.filter((d) => d.present && d.tone !== 'bad' && (d.array === null || d.array === array.id));
  const go = h('button', { type: 'button', id: 'rebuild-go' }, 'Start rebuild');
  go.addEventListener('click', () => {
    closeDialog();
    run('Rebuild', api.post(`${base}/rebuild`, { disks: picked('rebuild-disk') }));
  });
  openDialog(`Rebuild array ${array.id} · ${array.name}`, [
    h('fieldset', {}, h('legend', {}, 'Rebuild onto'), checkboxes('rebuild-disk', candidates, [])),
  ], [h('button', { type: 'button', class: 'quiet', onclick: closeDialog }, 'Cancel'), go]);
}

function initDialog(base, array, initTypes) {
  const type = h('select', { id: 'init-type' }, initTypes.map((t) => h('option', { value: t.value, selected: t.default }, t.text)));
  const go = h('button', { type: 'button', id: 'init-next' }, 'Next…');
  go.addEventListener('click', () => {
    closeDialog();
    run('Initialise', guardedChange(api, `${base}/init`, { type: Number(type.value) }, 'Initialise'));
  });
  openDialog(`Initialise array ${array.id} · ${array.name}`, [
    h('p', {}, h('label', { for: 'init-type' }, 'Initialisation'), type),
  ], [h('button', { type: 'button', class: 'quiet', onclick: closeDialog }, 'Cancel'), go]);
}

function migrateDialog(base, adapter, array) {
  const raid = h('select', { id: 'migrate-raid' }, adapter.raid_levels.map((l) =>
    h('option', { value: l.value, selected: l.value === array.raid }, l.text)));
  const disks = adapter.disks.filter((d) => d.present && d.tone !== 'bad' && (d.array === null || d.array === array.id));
  const preview = h('div', { id: 'migrate-preview', class: 'preview', 'aria-live': 'polite' });
  const go = h('button', { type: 'button', id: 'migrate-next', disabled: true }, 'Next…');
  const body = () => ({ raid: Number(raid.value), disks: picked('migrate-disk') });
  const refresh = async () => {
    go.disabled = true;
    try {
      const answer = await api.post(`${base}/migrate`, { ...body(), dry_run: true });
      preview.replaceChildren(answer.possible
        ? `${answer.title}: ${size(answer.preview.available_sectors)} available afterwards.`
        : h('span', { class: 'tone-bad' }, `✖ The controller cannot migrate ${answer.title}.`));
      go.disabled = !answer.possible;
    } catch (error) {
      preview.replaceChildren(h('span', { class: 'tone-bad' }, `✖ ${error.message}`));
    }
  };
  go.addEventListener('click', () => {
    closeDialog();
    run('Migrate', guardedChange(api, `${base}/migrate`, body(), 'Migrate'));
  });
  openDialog(`Migrate array ${array.id} · ${array.name}`, [
    h('p', {}, h('label', { for: 'migrate-raid' }, 'Target RAID level'), raid),
    h('fieldset', {}, h('legend', {}, 'Disks afterwards'), checkboxes('migrate-disk', disks, array.disks)),
    h('h3', {}, 'Capacity preview'), preview,
  ], [h('button', { type: 'button', class: 'quiet', onclick: closeDialog }, 'Cancel'), go]);
  raid.addEventListener('change', refresh);
  for (const box of document.querySelectorAll('input[id^="migrate-disk-"]')) box.addEventListener('change', refresh);
  refresh();
}

function spareDialog(adapter, array) {
  const disk = h('select', { id: 'spare-disk' }, freeDisks(adapter).map((d) =>
    h('option', { value: d.id }, `Disk ${d.id} · ${size(d.size_sectors)} · ${d.status_text}`)));
  const go = h('button', { type: 'button', id: 'spare-go' }, 'Make dedicated spare');
  go.addEventListener('click', () => {
    closeDialog();
    run('Spare', api.post(`/api/v1/adapters/${adapter.id}/disks/${disk.value}/spare`, { array: array.id }));
  });
  openDialog(`A dedicated spare for array ${array.id} · ${array.name}`, [
    h('p', {}, h('label', { for: 'spare-disk' }, 'Disk'), disk),
  ], [h('button', { type: 'button', class: 'quiet', onclick: closeDialog }, 'Cancel'), go]);
}

export function arrayView(main, { adapter: adapterId, array: arrayId }, signal) {
  const base = `/api/v1/adapters/${adapterId}/arrays/${arrayId}`;
  let initTypes = [];
  api.get('/api/v1/ranges/InitType').then((answer) => { initTypes = answer.entries; }).catch(() => {});
  let reading = false;
  let again = false;

  // The form keeps what the user typed: only the parts that show the array are drawn again.
  const parts = {
    head: h('div'), actions: h('div', { class: 'actions' }), members: h('div'),
    schedules: h('div'), events: h('div'),
  };
  const form = scheduleForm(adapterId, Number(arrayId), () => refresh());
  replace(main, parts.head, parts.actions, h('h2', {}, 'Members and spares'), parts.members,
    h('h2', {}, 'Schedules'), parts.schedules, form, h('h2', {}, 'Recent events'), parts.events);

  const render = (array) => {
    const adapter = store.adapter(adapterId);
    const activity = array.activity;
    const paused = activity && !activity.running;
    const control = (action, label) => h('button', {
      type: 'button', id: `activity-${action}`,
      onclick: () => run(label, api.post(`${base}/${action}`, {})),
    }, label);
    replace(parts.head,
      h('p', { class: 'crumbs' }, h('a', { href: '#/' }, 'Overview'), ` › Adapter ${adapterId} › Array ${array.id}`),
      h('h1', {}, `Array ${array.id} · ${array.name || '(no name)'}`),
      h('dl', { class: 'facts-grid' },
        h('dt', {}, 'State'), h('dd', { id: 'array-state' }, badge(array.tone, array.status_text)),
        h('dt', {}, 'RAID level'), h('dd', {}, array.raid_text),
        h('dt', {}, 'Size'), h('dd', {}, size(array.size_sectors)),
        h('dt', {}, 'Stripe size'), h('dd', {}, array.stripe_size_text),
        h('dt', {}, 'Caches'), h('dd', {}, `volume ${array.vd_cache_text}, disks ${array.pd_cache_text}`),
        h('dt', {}, 'Disks'), h('dd', {}, `${list(array.disks)}; spares: ${list(array.spares)}`),
        h('dt', {}, 'Activity'), h('dd', { id: 'array-activity' }, activityCell(activity, `Array ${array.name}`))));
    replace(parts.actions,
      paused ? control('resume', 'Resume') : null,
      activity && !paused ? control('pause', 'Pause') : null,
      activity ? control('abort', 'Abort') : null,
      h('button', { type: 'button', id: 'array-check', onclick: () => run('Check', api.post(`${base}/check`, { fix: false })) }, 'Check'),
      h('button', { type: 'button', id: 'array-fix', onclick: () => run('Check & fix', api.post(`${base}/check`, { fix: true })) }, 'Check & fix'),
      adapter ? h('button', { type: 'button', id: 'array-rebuild', onclick: () => rebuildDialog(base, adapter, array) }, 'Rebuild…') : null,
      adapter ? h('button', { type: 'button', id: 'array-migrate', onclick: () => migrateDialog(base, adapter, array) }, 'Migrate…') : null,
      adapter ? h('button', { type: 'button', id: 'array-spare', onclick: () => spareDialog(adapter, array) }, 'Add dedicated spare…') : null,
      h('button', { type: 'button', id: 'array-init', class: 'danger', onclick: () => initDialog(base, array, initTypes) }, 'Initialise…'),
      h('button', {
        type: 'button', id: 'array-delete', class: 'danger',
        onclick: async () => {
          try {
            if (await guardedChange(api, `${base}/delete`, {}, 'Delete array')) location.hash = '#/';
          } catch (error) {
            showError(error, 'Delete');
          }
        },
      }, 'Delete…'));
    let slot = 0;
    replace(parts.members, h('table', { id: 'members' },
      h('thead', {}, h('tr', {}, ['Slot', 'Disk', 'State', 'Size', 'Role'].map((t) => h('th', { scope: 'col' }, t)))),
      h('tbody', {}, array.members.map((m) => h('tr', {},
        h('td', {}, m.spare ? '–' : String(slot++)),
        h('td', {}, m.present ? h('a', { href: `#/adapter/${adapterId}/disk/${m.disk}` }, `Disk ${m.disk}`) : `Disk ${m.disk}`),
        h('td', {}, badge(m.tone, m.status_text)),
        h('td', { class: 'number' }, m.present ? size(m.size_sectors) : '–'),
        h('td', {}, m.spare ? 'dedicated spare' : 'member'))))));
    replace(parts.schedules, scheduleTable(adapterId, array.schedules, () => refresh()));
    replace(parts.events, array.events.length
      ? h('ul', { class: 'events-short', id: 'array-events' }, array.events.slice().reverse().map((e) =>
        h('li', {}, badge(e.tone, e.severity_text), ` ${time(e.time)} · ${e.name ? `${e.name}: ` : ''}${e.message}`)))
      : h('p', { class: 'muted' }, 'No events of this array in the history.'));
  };

  const refresh = async () => {
    if (reading) {
      again = true;
      return;
    }
    reading = true;
    try {
      render(await api.get(base));
    } catch (error) {
      if (error.status === 404) replace(main, h('h1', {}, 'Array not found'), h('p', {}, error.message),
        h('p', {}, h('a', { href: '#/' }, 'Back to the overview')));
      else showError(error, 'Reading the array');
    } finally {
      reading = false;
      if (again && !signal.aborted) {
        again = false;
        refresh();
      }
    }
  };
  refresh();
  store.on('enclosure', refresh, signal);
}
