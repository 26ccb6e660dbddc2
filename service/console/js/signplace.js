// Where a sign stands, for its sunrise and sunset: shown on its page, and for admins changed there
// (both numbers, or both empty for Seoul).
import {request} from './api.js';
import {el, field, setText} from './dom.js';
import {failureText} from './failure.js';
import {t} from './texts.js';

export function placeText(sign) {
  if (sign.latitude === null || sign.latitude === undefined) return t('place.seoul');
  return t('place.value', {latitude: sign.latitude, longitude: sign.longitude});
}

// The admins' form for SIGN's coordinates; CHANGED runs after a change was stored.
export function placeForm(getSign, changed) {
  const latitude = el('input', {type: 'number', id: 'sign-latitude', step: 'any', min: -90, max: 90});
  const longitude = el('input', {type: 'number', id: 'sign-longitude', step: 'any', min: -180, max: 180});
  const status = el('p', {className: 'status', role: 'status', id: 'place-status'});
  const fill = () => {
    const s = getSign();
    latitude.value = s?.latitude ?? '';
    longitude.value = s?.longitude ?? '';
  };
  const number = (input) => (input.value.trim() === '' ? null : Number(input.value));
  const form =
      el('form', {
        className: 'place-form',
        onSubmit: async (e) => {
          e.preventDefault();
          const body = {latitude: number(latitude), longitude: number(longitude)};
          if ((body.latitude === null) !== (body.longitude === null)) {
            setText(status, t('place.both'));
            return;
          }
          try {
            await request('PATCH', `/signs/${getSign().id}`, body);
            setText(status, t('place.saved'));
            await changed();
          } catch (err) {
            setText(status, failureText(err));
          }
        }
      },
         field(t('place.latitude'), latitude), field(t('place.longitude'), longitude),
         el('button', {type: 'submit', id: 'place-save'}, t('place.save')), status);
  return {
    node: el(
        'section', {'aria-labelledby': 'place-title'}, el('h2', {id: 'place-title'}, t('place.title')), form),
    fill
  };
}
