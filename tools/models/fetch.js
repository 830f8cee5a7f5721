#!/usr/bin/env node
// Fetches one exact version of an npm package once, checks it against the
// registry's integrity hash, and keeps only the files asked for in a cache
// outside the build folder, so a rebuild or a fresh clone fetches nothing.
//   node fetch.js <package@version> <sha512-...> <folder to keep them in> <file in package>...
// The kept files keep their paths inside the package.
'use strict';
const crypto = require('crypto');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');

function fetchPackage(wanted, integrity, kept, files) {
  const stamp = path.join(kept, '.verified');
  const present = () => files.every((f) => fs.existsSync(path.join(kept, f)));
  if (fs.existsSync(stamp) && fs.readFileSync(stamp, 'utf8').trim() === integrity && present()) return kept;

  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'vantrel-fetch-'));
  try {
    const name = execFileSync('npm', ['pack', wanted, '--silent', '--pack-destination', work], { encoding: 'utf8' }).trim().split('\n').pop();
    const tarball = path.join(work, name);
    const [algorithm, expected] = integrity.split(/-(.*)/s);
    const actual = crypto.createHash(algorithm).update(fs.readFileSync(tarball)).digest('base64');
    if (actual !== expected) throw new Error(`${wanted}: integrity ${algorithm}-${actual} is not the pinned ${integrity}`);
    execFileSync('tar', ['-xzf', tarball, '-C', work, ...files.map((f) => `package/${f}`)]);
    fs.rmSync(kept, { recursive: true, force: true });
    for (const f of files) {
      fs.mkdirSync(path.dirname(path.join(kept, f)), { recursive: true });
      fs.copyFileSync(path.join(work, 'package', f), path.join(kept, f));
    }
    fs.writeFileSync(stamp, `${integrity}\n`);
    return kept;
  } finally {
    fs.rmSync(work, { recursive: true, force: true });
  }
}

if (require.main === module) {
  const [wanted, integrity, kept, ...files] = process.argv.slice(2);
  if (!wanted || !integrity || !kept || !files.length) {
    console.error('usage: fetch.js <package@version> <sha512-...> <folder> <file>...');
    process.exit(2);
  }
  try {
    fetchPackage(wanted, integrity, kept, files);
  } catch (e) {
    console.error(`fetch.js: ${e.message}`);
    process.exit(1);
  }
}
