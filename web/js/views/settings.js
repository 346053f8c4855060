// Adapter settings: alias, background speeds and switches, each read back
// after the change; buzzer off.

import { api } from '../api.js';
import { h, replace } from '../dom.js';
import { showError, showOutcome } from '../dialogs.js';
import { store } from '../store.js';

const speeds = [['sync_speed', 'sync', 'Sync speed'], ['init_speed', 'init', 'Initialisation speed'],
  ['rebuild_speed', 'rebuild', 'Rebuild speed'], ['migrate_speed', 'migrate', 'Migration speed'],
  ['disk_check_speed', 'disk_check', 'Disk check speed']];
const switches = [['auto_rebuild', 'Rebuild onto a spare automatically'], ['copy_back', 'Copy back to a replaced disk'],
  ['smart_poll', 'Poll SMART data'], ['alarm', 'Alarm']];

export function settingsView(main, { adapter: adapterId }, signal) {
  const draw = () => {
    const adapter = store.adapter(adapterId);
    if (!adapter) {
      replace(main, h('p', {}, 'Reading the enclosure…'));
      return false;
    }
    const alias = h('input', { id: 'setting-alias', type: 'text', maxlength: 19, value: adapter.alias });
    const speedInputs = speeds.map(([key, field]) => h('input', {
      id: `setting-${key}`, type: 'number', min: 0, max: 255, value: adapter.speeds[field],
    }));
    const switchInputs = switches.map(([key]) => h('input', { id: `setting-${key}`, type: 'checkbox', checked: adapter[key] }));
    const form = h('form', { class: 'settings', 'aria-label': `Settings of adapter ${adapterId}` },
      h('p', {}, h('label', { for: 'setting-alias' }, 'Alias'), alias),
      h('fieldset', {}, h('legend', {}, 'Background speeds (0–255)'),
        speeds.map(([key, , label], i) => h('p', {}, h('label', { for: `setting-${key}` }, label), speedInputs[i]))),
      h('fieldset', {}, h('legend', {}, 'Switches'),
        switches.map(([key, label], i) => h('div', { class: 'check' }, switchInputs[i], h('label', { for: `setting-${key}` }, label)))),
      h('button', { type: 'submit', id: 'settings-save' }, 'Save changes'));
    form.addEventListener('submit', async (event) => {
      event.preventDefault();
      const current = store.adapter(adapterId);
      const settings = {};
      if (alias.value !== current.alias) settings.alias = alias.value;
      speeds.forEach(([key, field], i) => {
        if (Number(speedInputs[i].value) !== current.speeds[field]) settings[key] = Number(speedInputs[i].value);
      });
      switches.forEach(([key], i) => {
        if (switchInputs[i].checked !== current[key]) settings[key] = switchInputs[i].checked;
      });
      if (!Object.keys(settings).length) {
        showOutcome({ done: ['Nothing changed.'], warnings: [], partial: false });
        return;
      }
      try {
        const outcome = await api.post(`/api/v1/adapters/${adapterId}/settings`, { settings });
        showOutcome({ ...outcome, done: [`Read back: ${outcome.done.join(', ')}`] });
      } catch (error) {
        showError(error, 'Settings');
      }
    });
    replace(main,
      h('p', { class: 'crumbs' }, h('a', { href: '#/' }, 'Overview'), ` › Adapter ${adapterId} › Settings`),
      h('h1', {}, `Settings of adapter ${adapterId}`),
      h('p', {}, 'Only what you change is sent; the bridge reads the adapter right before it writes, and every value is read back.'),
      form);
    return true;
  };
  // Drawn once: live updates must not overwrite what is being typed.
  if (!draw()) store.on('enclosure', () => { if (!main.querySelector('form')) draw(); }, signal);
}
