// Checks glTF files with the format's own validator: node validate.mjs FILE[=CODE,...]...
// Prints each file's errors and warnings; fails when any file has an error other than the codes
// allowed for it (after "=", or in FILE.allowed beside it, space-separated): a test file may be
// there for one fault, such as weights that do not sum to 1. Fails too when no file was given.
import { existsSync, readFileSync } from 'node:fs';
import { readFile } from 'node:fs/promises';
import path from 'node:path';
import validator from 'gltf-validator';

const files = process.argv.slice(2);
if (files.length === 0) {
  console.error('validate.mjs: no files to check');
  process.exit(2);
}
let failed = 0;
for (const arg of files) {
  const [file, codes] = arg.split('=');
  const allowed = new Set((codes ?? '').split(',').filter(Boolean));
  if (existsSync(`${file}.allowed`))
    for (const code of readFileSync(`${file}.allowed`, 'utf8').split(/\s+/).filter(Boolean))
      allowed.add(code);
  const bytes = new Uint8Array(await readFile(file));
  const report = await validator.validateBytes(bytes, {
    uri: path.basename(file),
    // A .gltf's buffers and images beside it.
    externalResourceFunction: async (uri) =>
      new Uint8Array(await readFile(path.join(path.dirname(file), decodeURIComponent(uri)))),
  });
  const { numErrors, numWarnings, messages } = report.issues;
  const unexpected = messages.filter((m) => m.severity === 0 && !allowed.has(m.code));
  console.log(`${file}: ${numErrors} errors (${unexpected.length} not allowed), ${numWarnings} warnings`);
  for (const m of messages)
    if (m.severity <= 1)
      console.log(`  ${m.severity === 0 ? 'error' : 'warning'} ${m.code} at ${m.pointer}: ${m.message}`);
  if (unexpected.length > 0)
    failed += 1;
}
if (failed > 0) {
  console.error(`validate.mjs: ${failed} of ${files.length} files have errors`);
  process.exit(1);
}
