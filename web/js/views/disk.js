// Disk detail: its state and role, the SMART table with its verdict, and
// the disk's changes (spares, wiping its RAID metadata).

import { api } from '../api.js';
import { badge, h, replace } from '../dom.js';
import { guardedChange, showError, showOutcome } from '../dialogs.js';
import { activityText, size } from '../format.js';
import { store } from '../store.js';

const verdictTones = { PASSED: 'good', FAILING: 'bad', UNKNOWN: 'neutral' };

function smartTable(disk) {
  if (!disk.smart.attributes) return h('p', { class: 'muted' }, 'No SMART data (SMART polling is off, or the disk gave none).');
  return h('table', { id: 'smart' },
    h('caption', {}, 'SMART attributes'),
    h('thead', {}, h('tr', {}, ['ID', 'Attribute', 'Value', 'Worst', 'Threshold', 'Raw', 'State'].map((t) => h('th', { scope: 'col' }, t)))),
    h('tbody', {}, disk.smart.attributes.map((a) => h('tr', { class: a.failing ? 'row-bad' : '' },
      h('td', { class: 'number' }, String(a.id)),
      h('td', {}, a.name),
      h('td', { class: 'number' }, String(a.value)),
      h('td', { class: 'number' }, String(a.worst)),
      h('td', { class: 'number' }, String(a.threshold)),
      h('td', { class: 'number' }, String(a.raw)),
      h('td', {}, a.failing ? badge('bad', 'at or below threshold') : badge('good', 'ok'))))));
}

export function diskView(main, { adapter: adapterId, disk: diskId }, signal) {
  const base = `/api/v1/adapters/${adapterId}/disks/${diskId}`;
  const run = async (what, promise) => {
    try {
      const outcome = await promise;
      if (outcome) showOutcome(outcome);
    } catch (error) {
      showError(error, what);
    }
  };
  const render = (disk) => {
    const adapter = store.adapter(adapterId);
    const spare = disk.tone === 'spare' || disk.spare_of_array !== null;
    const verdict = disk.smart.verdict_text;
    replace(main,
      h('p', { class: 'crumbs' }, h('a', { href: '#/' }, 'Overview'), ` › Adapter ${adapterId} › Disk ${disk.id}`),
      h('h1', {}, `Disk ${disk.id}`, disk.model ? ` · ${disk.model}` : ''),
      h('dl', { class: 'facts-grid' },
        h('dt', {}, 'State'), h('dd', { id: 'disk-state' }, badge(disk.tone, disk.status_text)),
        h('dt', {}, 'SMART verdict'), h('dd', { id: 'smart-verdict' }, badge(verdictTones[verdict] || 'neutral', verdict)),
        h('dt', {}, 'Role'), h('dd', {}, disk.array !== null ? h('a', { href: `#/adapter/${adapterId}/array/${disk.array}` }, `member of array ${disk.array}`)
          : disk.spare_of_array !== null ? `dedicated spare of array ${disk.spare_of_array}` : spare ? 'global spare' : 'free'),
        h('dt', {}, 'Size'), h('dd', {}, size(disk.size_sectors)),
        h('dt', {}, 'Serial'), h('dd', {}, disk.serial || '–'),
        h('dt', {}, 'Firmware'), h('dd', {}, disk.firmware || '–'),
        h('dt', {}, 'Type'), h('dd', {}, `${disk.device_type_text}; ${disk.features_text}`),
        h('dt', {}, 'Activity'), h('dd', {}, activityText(disk.activity))),
      h('div', { class: 'actions' },
        !spare && disk.array === null ? h('button', {
          type: 'button', id: 'disk-spare', onclick: () => run('Spare', api.post(`${base}/spare`, {})),
        }, 'Make global spare') : null,
        spare ? h('button', {
          type: 'button', id: 'disk-unspare', onclick: () => run('Release spare', api.post(`${base}/unspare`, {})),
        }, 'Release spare') : null,
        h('button', {
          type: 'button', id: 'disk-free', class: 'danger',
          onclick: () => run('Wipe', guardedChange(api, `${base}/free`, {}, 'Wipe the metadata')),
        }, 'Wipe RAID metadata…')),
      h('h2', {}, 'SMART'),
      smartTable(disk),
      adapter ? null : h('p', { class: 'muted' }, 'The adapter is not in the last reading.'));
  };
  const refresh = async () => {
    try {
      render(await api.get(base));
    } catch (error) {
      if (error.status === 404) replace(main, h('h1', {}, 'No disk here'), h('p', {}, error.message));
      else showError(error, 'Reading the disk');
    }
  };
  refresh();
  store.on('enclosure', refresh, signal);
}
