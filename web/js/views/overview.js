// Overview: every adapter with its arrays (state, RAID level, size, a live
// progress bar per activity), its disks as a slot map, alarm and buzzer.

import { api } from '../api.js';
import { badge, h, replace } from '../dom.js';
import { showError, showOutcome } from '../dialogs.js';
import { activityText, size } from '../format.js';
import { store } from '../store.js';
import { createArray } from './create.js';

export function activityCell(activity, label) {
  if (!activity) return h('span', { class: 'muted' }, 'none');
  return h('div', { class: 'activity' },
    h('progress', { max: 100, value: activity.percent, 'aria-label': `${label}: ${activity.type_text} progress` }),
    h('span', { class: 'activity-text' }, `${activity.type_text} ${activity.percent} % · ${activity.status_text}`));
}

async function change(what, promise) {
  try {
    showOutcome(await promise);
  } catch (error) {
    showError(error, what);
  }
}

function arrayRows(adapter) {
  if (!adapter.arrays.length) return h('p', { class: 'muted' }, 'No arrays yet.');
  return h('table', { class: 'arrays' },
    h('caption', { class: 'sr-only' }, `Arrays of adapter ${adapter.id}`),
    h('thead', {}, h('tr', {}, ['Array', 'RAID', 'State', 'Size', 'Activity'].map((t) => h('th', { scope: 'col' }, t)))),
    h('tbody', {}, adapter.arrays.map((array) => h('tr', { dataset: { array: array.id } },
      h('th', { scope: 'row' }, h('a', { href: `#/adapter/${adapter.id}/array/${array.id}` }, `${array.id} · ${array.name || '(no name)'}`)),
      h('td', {}, array.raid_text),
      h('td', {}, badge(array.tone, array.status_text)),
      h('td', { class: 'number' }, size(array.size_sectors)),
      h('td', {}, activityCell(array.activity, `Array ${array.name}`))))));
}

function diskRole(disk, adapter) {
  if (!disk.present) return 'empty slot';
  if (disk.array !== null) {
    const array = adapter.arrays.find((a) => a.id === disk.array);
    return `in ${array ? array.name || `array ${array.id}` : `array ${disk.array}`}`;
  }
  if (disk.spare_of_array !== null) return `spare of array ${disk.spare_of_array}`;
  return disk.tone === 'spare' ? 'global spare' : 'free';
}

function slotMap(adapter) {
  return h('ol', { class: 'slots', 'aria-label': `Disk slots of adapter ${adapter.id}` },
    adapter.disks.map((disk) => {
      const tone = disk.present ? disk.tone : 'empty';
      const content = [
        h('span', { class: 'slot-number' }, `Slot ${disk.id}`),
        badge(disk.present ? disk.tone : 'neutral', disk.status_text),
        h('span', { class: 'slot-detail' }, disk.present ? size(disk.size_sectors) : ''),
        h('span', { class: 'slot-detail' }, diskRole(disk, adapter)),
        disk.activity ? h('progress', { max: 100, value: disk.activity.percent, 'aria-label': `Disk ${disk.id}: ${activityText(disk.activity)}` }) : null,
      ];
      return h('li', { class: `slot slot-${tone}`, dataset: { disk: disk.id } },
        disk.present ? h('a', { href: `#/adapter/${adapter.id}/disk/${disk.id}`, id: `slot-${adapter.id}-${disk.id}` }, content)
          : h('div', {}, content));
    }));
}

function adapterSection(adapter) {
  const buzzer = adapter.buzzer_ringing === null ? 'no buzzer'
    : adapter.buzzer_ringing ? 'ringing' : 'silent';
  return h('section', { class: 'adapter', 'aria-labelledby': `adapter-${adapter.id}` },
    h('div', { class: 'section-head' },
      h('h2', { id: `adapter-${adapter.id}` }, `Adapter ${adapter.id}`, adapter.alias ? ` · ${adapter.alias}` : ''),
      h('div', { class: 'actions' },
        h('button', { type: 'button', id: `create-${adapter.id}`, onclick: () => createArray(adapter) }, 'Create array…'),
        h('a', { class: 'button quiet', href: `#/adapter/${adapter.id}/settings` }, 'Settings'),
        h('a', { class: 'button quiet', href: `#/adapter/${adapter.id}/firmware` }, 'Firmware'))),
    h('p', { class: 'facts' },
      `${adapter.link_text} · firmware ${adapter.firmware} · serial ${adapter.serial} · `,
      'alarm ', badge(adapter.alarm ? 'good' : 'attention', adapter.alarm ? 'on' : 'off'), ' · buzzer ',
      badge(adapter.buzzer_ringing ? 'bad' : 'neutral', buzzer),
      adapter.buzzer_ringing ? h('button', {
        type: 'button', id: `buzzer-${adapter.id}`, class: 'danger',
        onclick: () => change('Buzzer', api.post(`/api/v1/adapters/${adapter.id}/buzzer-off`, {})),
      }, 'Silence buzzer') : null),
    h('h3', {}, 'Arrays'), arrayRows(adapter),
    h('h3', {}, 'Disks'), slotMap(adapter));
}

export function healthBanner(enclosure) {
  const tone = { 0: 'good', 1: 'attention', 2: 'bad' }[enclosure.verdict];
  return h('div', { class: `verdict tone-${tone}`, id: 'verdict' },
    badge(tone, `Health: ${enclosure.verdict_text}`),
    enclosure.problems.length ? h('ul', {}, enclosure.problems.map((p) => h('li', {}, p.text))) : null);
}

export function overview(main, params, signal) {
  const render = (enclosure) => {
    if (!enclosure) {
      replace(main, h('p', {}, 'Reading the enclosure…'));
      return;
    }
    replace(main, h('h1', {}, 'Enclosure'), healthBanner(enclosure),
      enclosure.adapters.length ? enclosure.adapters.map(adapterSection) : h('p', {}, 'No adapters found.'));
  };
  render(store.enclosure);
  store.on('enclosure', render, signal);
}
