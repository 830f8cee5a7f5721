#!/usr/bin/env node
// Compares the converted subject models' outputs under OpenCV with the original TensorFlow.js
// models' own under node on the same inputs (written by vantrel-models or by the golden test).
//   node check-models.js <tfjs models folder> <dump folder> [--write-golden <file>]
// Fails when any output differs by more than 1e-3 of its range. With --write-golden, writes
// the TF.js outputs at sampled places as the golden file the CI test compares OpenCV with.
'use strict';
const fs = require('fs');
const path = require('path');
const tf = require('@tensorflow/tfjs-core');
require('@tensorflow/tfjs-backend-cpu');
const { loadGraphModel } = require('@tensorflow/tfjs-converter');

const kTolerance = 1e-3;
const kSamples = 256;

async function load(file) {
  const model = JSON.parse(fs.readFileSync(file, 'utf8'));
  const specs = model.weightsManifest.flatMap((g) => g.weights);
  const data = Buffer.concat(model.weightsManifest.flatMap((g) => g.paths.map((p) => fs.readFileSync(path.join(path.dirname(file), p)))));
  const handler = { load: async () => ({ ...model, weightSpecs: specs, weightData: data.buffer.slice(data.byteOffset, data.byteOffset + data.length) }) };
  return { graph: await loadGraphModel(handler), json: model };
}

const read = (dir, entry) => new Float32Array(fs.readFileSync(path.join(dir, entry.file)).buffer.slice(0));

function nchwToNhwc(values, [n, c, h, w]) {
  const out = new Float32Array(values.length);
  for (let y = 0; y < h; ++y) for (let x = 0; x < w; ++x) for (let k = 0; k < c; ++k) out[(y * w + x) * c + k] = values[(k * h + y) * w + x];
  return { values: out, shape: [n, h, w, c] };
}

async function main() {
  const [modelsDir, dumpDir, flag, goldenFile] = process.argv.slice(2);
  await tf.setBackend('cpu');
  const index = JSON.parse(fs.readFileSync(path.join(dumpDir, 'index.json'), 'utf8'));
  const nanodet = await load(path.join(modelsDir, 'nanodet.json'));
  const selfie = await load(path.join(modelsDir, 'selfie.json'));
  // The converted detector ends where each SplitV of its head began (NCHW there, as OpenCV gives it).
  const heads = nanodet.json.modelTopology.node.filter((n) => n.op === 'SplitV').map((n) => n.input[0]);
  const runs = [
    { name: 'detector', model: nanodet.graph, input: { values: read(dumpDir, index.detector.input), shape: index.detector.input.shape }, outputs: heads },
    { name: 'person', model: selfie.graph, input: nchwToNhwc(read(dumpDir, index.person.input), index.person.input.shape), outputs: Object.values(selfie.json.signature.outputs).map((o) => o.name) },
  ];
  let worst = 0;
  const golden = {};
  for (const run of runs) {
    const input = tf.tensor(run.input.values, run.input.shape);
    const results = run.model.execute(input, run.outputs);
    (Array.isArray(results) ? results : [results]).forEach((tensor, k) => {
      const reference = tensor.dataSync();
      const entry = index[run.name].outputs[k];
      const ours = read(dumpDir, entry);
      if (ours.length !== reference.length) throw new Error(`${run.name} output ${k}: ${ours.length} values, TF.js ${reference.length}`);
      let lo = Infinity, hi = -Infinity, diff = 0;
      for (let i = 0; i < reference.length; ++i) {
        lo = Math.min(lo, reference[i]); hi = Math.max(hi, reference[i]);
        diff = Math.max(diff, Math.abs(reference[i] - ours[i]));
      }
      const share = diff / Math.max(hi - lo, 1e-12);
      worst = Math.max(worst, share);
      console.log(`${run.name} ${entry.file}: range ${lo.toFixed(4)} ... ${hi.toFixed(4)}, largest difference ${diff.toExponential(2)} (${share.toExponential(2)} of the range)`);
      const step = Math.max(1, Math.floor(reference.length / kSamples));
      const places = [];
      for (let i = Math.floor(step / 2); i < reference.length; i += step) places.push(i);
      golden[entry.file.replace('.f32', '')] = { shape: entry.shape, range: [lo, hi], places, values: places.map((i) => reference[i]) };
    });
  }
  if (flag === '--write-golden') {
    fs.writeFileSync(goldenFile, JSON.stringify(golden) + '\n');
    console.log(`golden outputs written to ${goldenFile}`);
  }
  if (worst > kTolerance) {
    console.error(`FAIL: a converted model differs from the original by ${worst.toExponential(2)} of its range`);
    process.exit(1);
  }
  console.log(`pass: within ${kTolerance} of each output's range`);
}
main().catch((e) => { console.error(`check-models.js: ${e.stack || e}`); process.exit(1); });
