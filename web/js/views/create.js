// Creating an array: pick the disks and the level, see the controller's
// capacity preview (GetCreateTarget) while picking, then create.

import { api } from '../api.js';
import { h } from '../dom.js';
import { closeDialog, openDialog, showError, showOutcome } from '../dialogs.js';
import { size } from '../format.js';

// Disks a new array may take: present and in no array, not a dedicated spare.
export function freeDisks(adapter) {
  return adapter.disks.filter((d) => d.present && d.array === null && d.spare_of_array === null && d.tone !== 'bad');
}

function select(id, options, chosen) {
  return h('select', { id }, options.map((o) => h('option', { value: o.value, selected: o.value === chosen }, o.text)));
}

async function table(name) {
  try {
    return (await api.get(`/api/v1/ranges/${name}`)).entries;
  } catch {
    return [];
  }
}

export async function createArray(adapter) {
  const [initTypes, stripes] = await Promise.all([table('InitType'), table('StripeSize')]);
  const free = freeDisks(adapter);
  const name = h('input', { id: 'create-name', type: 'text', maxlength: 15, required: true, autocomplete: 'off' });
  const raid = select('create-raid', adapter.raid_levels.map((l) => ({ value: l.value, text: l.text })),
    adapter.raid_levels.find((l) => l.text === 'RAID 5')?.value);
  const stripeChoices = stripes.length ? stripes : adapter.stripe_sizes.map((s) => ({ ...s, default: false }));
  const stripe = select('create-stripe', stripeChoices.map((s) => ({ value: s.value, text: s.text })),
    stripeChoices.find((s) => s.default)?.value);
  const init = select('create-init', initTypes.map((t) => ({ value: t.value, text: t.text })),
    initTypes.find((t) => t.default)?.value);
  const boxes = free.map((disk) => h('input', { type: 'checkbox', id: `create-disk-${disk.id}`, value: disk.id }));
  const preview = h('div', { id: 'create-preview', class: 'preview', 'aria-live': 'polite' }, 'Pick disks to see the capacity.');
  const create = h('button', { type: 'button', id: 'create-go', disabled: true }, 'Create array');

  const choices = () => ({
    name: name.value,
    raid: Number(raid.value),
    disks: boxes.filter((b) => b.checked).map((b) => Number(b.value)),
    stripe: Number(stripe.value),
    ...(initTypes.length ? { init: Number(init.value) } : {}),
  });

  let asked = 0;
  let timer = null;
  const refresh = () => {
    clearTimeout(timer);
    timer = setTimeout(async () => {
      const wanted = choices();
      const ticket = ++asked;
      create.disabled = true;
      if (!wanted.disks.length) {
        preview.replaceChildren('Pick disks to see the capacity.');
        return;
      }
      try {
        const answer = await api.get(`/api/v1/adapters/${adapter.id}/capacity-preview?raid=${wanted.raid}&disks=${wanted.disks.join(',')}`);
        if (ticket !== asked) return;
        if (!answer.preview) {
          preview.replaceChildren('This bridge gives no preview; the controller decides on create.');
        } else if (!answer.buildable) {
          preview.replaceChildren(h('p', { class: 'tone-bad' }, h('span', { 'aria-hidden': 'true' }, '✖ '),
            `The controller cannot build ${answer.raid_text} on disks ${wanted.disks.join(', ')}: ${answer.raid_needs}.`));
        } else {
          const p = answer.preview;
          const total = p.available_sectors + p.redundancy_sectors + p.unused_sectors || 1;
          preview.replaceChildren(
            h('dl', {},
              h('dt', {}, 'Available'), h('dd', { id: 'preview-available' }, size(p.available_sectors)),
              h('dt', {}, 'Redundancy'), h('dd', {}, size(p.redundancy_sectors)),
              h('dt', {}, 'Unused'), h('dd', {}, size(p.unused_sectors))),
            h('div', { class: 'split', 'aria-hidden': 'true' },
              h('span', { class: 'split-available', dataset: { share: Math.round((100 * p.available_sectors) / total) } }),
              h('span', { class: 'split-redundancy', dataset: { share: Math.round((100 * p.redundancy_sectors) / total) } })));
          for (const part of preview.querySelectorAll('.split span')) part.style.flexGrow = part.dataset.share;
        }
        create.disabled = !(answer.buildable && name.value.trim());
      } catch (error) {
        if (ticket === asked) preview.replaceChildren(h('p', { class: 'tone-bad' }, `✖ ${error.message}`));
      }
    }, 200);
  };
  name.addEventListener('input', refresh);
  for (const control of [raid, stripe, init, ...boxes]) control.addEventListener('change', refresh);

  create.addEventListener('click', async () => {
    create.disabled = true;
    try {
      const outcome = await api.post(`/api/v1/adapters/${adapter.id}/arrays`, choices());
      closeDialog();
      showOutcome(outcome);
      location.hash = `#/adapter/${adapter.id}/array/${outcome.created.array}`;
    } catch (error) {
      showError(error, 'Create');
      create.disabled = false;
    }
  });

  openDialog(`Create an array on adapter ${adapter.id}`, [
    h('p', {}, h('label', { for: 'create-name' }, 'Name (at most 15 bytes)'), name),
    h('p', {}, h('label', { for: 'create-raid' }, 'RAID level'), raid),
    h('fieldset', {}, h('legend', {}, 'Disks'),
      free.length ? free.map((disk, i) => h('div', { class: 'check' }, boxes[i],
        h('label', { for: `create-disk-${disk.id}` }, `Disk ${disk.id} · ${size(disk.size_sectors)} · ${disk.status_text}`)))
        : h('p', {}, 'No free disks on this adapter.')),
    h('p', {}, h('label', { for: 'create-stripe' }, 'Stripe size'), stripe),
    initTypes.length ? h('p', {}, h('label', { for: 'create-init' }, 'Initialisation'), init) : null,
    h('h3', {}, 'Capacity preview'), preview,
  ], [h('button', { type: 'button', class: 'quiet', onclick: closeDialog }, 'Cancel'), create]);
  name.focus();
}
