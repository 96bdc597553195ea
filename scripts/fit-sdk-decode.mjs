// SPDX-License-Identifier: GPL-3.0-or-later
// Decodes a FIT file with Garmin's official FIT SDK and prints one line per message, in file
// order, for the tests to compare against: "integrity true|false", "error <text>", then
// "<message name> field=value ..." with times as Unix seconds and strings JSON-quoted.
// The SDK is installed by scripts/install-deps.sh into build-deps/fitsdk.
import { readFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const sdkDir = process.env.TRAKOR_FITSDK_DIR ||
  join(here, '..', 'build-deps', 'fitsdk', 'node_modules', '@garmin', 'fitsdk');
const { Decoder, Stream, Profile } = await import(pathToFileURL(join(sdkDir, 'src', 'index.js')).href);

const names = {};
for (const [key, m] of Object.entries(Profile.messages)) names[key] = m.messagesKey || m.name;

const bytes = readFileSync(process.argv[2]);
const stream = Stream.fromBuffer(bytes);
const decoder = new Decoder(stream);
console.log('integrity ' + decoder.checkIntegrity());
const lines = [];
const { errors } = decoder.read({
  mesgListener: (num, message) => {
    const name = Profile.messages[num]?.name ?? ('mesg' + num);
    const fields = Object.entries(message).map(([k, v]) => {
      if (v instanceof Date) return k + '=' + Math.round(v.getTime() / 1000);
      if (typeof v === 'string') return k + '=' + JSON.stringify(v);
      if (typeof v === 'bigint') return k + '=' + v.toString();
      if (Array.isArray(v) || typeof v === 'object') return k + '=' + JSON.stringify(v, (_, x) => typeof x === 'bigint' ? x.toString() : x);
      return k + '=' + v;
    });
    lines.push(name + ' ' + fields.join(' '));
  },
  applyScaleAndOffset: true, expandSubFields: true, expandComponents: true,
  convertTypesToStrings: true, convertDateTimesToDates: true, includeUnknownData: false,
  mergeHeartRates: false,
});
for (const e of errors) console.log('error ' + String(e && e.message || e).replace(/\n/g, ' '));
for (const l of lines) console.log(l);
