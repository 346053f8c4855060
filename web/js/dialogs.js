// Dialogs and messages: the typed confirmation of destructive changes, and
// what every change reports back (done, partial, refused).

import { h } from './dom.js';
import { describeError } from './api.js';

const dialog = () => document.getElementById('dialog');

// Opens the modal dialog with a title, a body and buttons; Escape closes it.
// Answers a function that closes it.
export function openDialog(title, body, buttons) {
  const element = dialog();
  element.replaceChildren(
    h('h2', { id: 'dialog-title' }, title),
    h('div', { class: 'dialog-body' }, body),
    h('div', { class: 'dialog-buttons' }, buttons),
  );
  if (!element.open) {
    element.showModal();
    // A closed dialog keeps nothing that a later one could be mistaken for.
    element.addEventListener('close', () => element.replaceChildren(), { once: true });
  }
  return () => element.close();
}

export function closeDialog() {
  if (dialog().open) dialog().close();
}

// Shows what a change will do and asks for the typed confirmation (and the
// override) its plan needs. Resolves with {confirm, override} or null.
export function confirmPlan(plan, buttonLabel) {
  return new Promise((resolve) => {
    const typed = h('input', { id: 'confirm-text', type: 'text', autocomplete: 'off', spellcheck: 'false' });
    const override = plan.override
      ? h('input', { id: 'confirm-override', type: 'checkbox' })
      : null;
    const go = h('button', { id: 'confirm-go', type: 'button', class: 'danger', disabled: true }, buttonLabel);
    const ready = () => {
      const confirmed = !plan.needs_confirmation || typed.value === plan.confirmation_text;
      go.disabled = !(confirmed && (!override || override.checked));
    };
    typed.addEventListener('input', ready);
    override?.addEventListener('change', ready);
    let answered = false;
    const finish = (answer) => {
      if (answered) return;
      answered = true;
      closeDialog();
      resolve(answer);
    };
    go.addEventListener('click', () => finish({ confirm: typed.value, override: Boolean(override?.checked) }));
    openDialog(`Confirm: ${plan.action}`, [
      plan.losses.length ? h('ul', { class: 'losses' }, plan.losses.map((loss) =>
        h('li', {}, h('span', { class: 'icon', 'aria-hidden': 'true' }, '⚠ '), loss))) : null,
      plan.notes.length ? h('ul', { class: 'notes' }, plan.notes.map((note) => h('li', {}, note))) : null,
      override ? h('p', { class: 'override' }, override, ' ',
        h('label', { for: 'confirm-override' }, `I know: ${plan.override_reason}`)) : null,
      plan.needs_confirmation ? h('p', {},
        h('label', { for: 'confirm-text' }, 'Type ', h('strong', { class: 'typed' }, plan.confirmation_text), ' to confirm'),
        typed) : null,
    ], [
      h('button', { type: 'button', class: 'quiet', onclick: () => finish(null) }, 'Cancel'),
      go,
    ]);
    dialog().addEventListener('close', () => finish(null), { once: true });
    (plan.needs_confirmation ? typed : go).focus();
    ready();
  });
}

// A message in the corner: successes go away by themselves, problems stay until closed.
export function toast(lines, kind = 'ok') {
  const texts = Array.isArray(lines) ? lines : [lines];
  const icon = { ok: '✔', warning: '⚠', error: '✖' }[kind];
  const close = h('button', { type: 'button', class: 'quiet', 'aria-label': 'Dismiss' }, '×');
  const element = h('div', { class: `toast toast-${kind}`, role: kind === 'ok' ? 'status' : 'alert' },
    h('span', { class: 'icon', 'aria-hidden': 'true' }, icon),
    h('div', {}, texts.map((text) => h('p', {}, text))), close);
  close.addEventListener('click', () => element.remove());
  document.getElementById('toasts').append(element);
  if (kind === 'ok') setTimeout(() => element.remove(), 8000);
  return element;
}

// What a change answered: done lines, or the warnings of a partial change.
export function showOutcome(outcome) {
  const done = outcome.done.map((line) => line[0].toUpperCase() + line.slice(1));
  if (outcome.partial) toast([...done, ...outcome.warnings.map((w) => `Not done: ${w}`)], 'warning');
  else toast(done.length ? done : ['Done.'], 'ok');
}

export function showError(error, what) {
  const detail = error.controllerCode !== undefined && error.controllerCode !== null
    ? ` [controller code ${error.controllerCode}: ${error.controllerText}]` : '';
  const partial = error.document && error.document.partial ? error.document : null;
  if (partial) {
    showOutcome(partial);
    return;
  }
  toast(`${what ? `${what}: ` : ''}${describeError(error)}${detail}`, 'error');
}

// Runs a change that may need a typed confirmation: asks the plan first
// (dry_run), then sends the consent. Resolves with the outcome, or null.
export async function guardedChange(api, path, body, buttonLabel) {
  const dry = await api.post(path, { ...body, dry_run: true });
  const asks = dry.plan.needs_confirmation || dry.plan.override;
  const answer = asks ? await confirmPlan(dry.plan, buttonLabel) : {};
  if (!answer) return null;
  const outcome = await api.post(path, { ...body, ...answer });
  showOutcome(outcome);
  return outcome;
}
