#!/usr/bin/env node
// Turns a TensorFlow.js graph model (model.json and its weight shards) into a
// frozen TensorFlow GraphDef that OpenCV's DNN module reads.
//   node convert.js <model.json> <out.pb> [--heads-before SplitV]
// --heads-before OP cuts the graph before every OP node and makes its data
// input an output named head_0, head_1, ... in graph order (the caller decodes
// what lay behind them).
//
// OpenCV runs TensorFlow graphs as NHWC and refuses most NCHW permutations, so
// a graph converted from ONNX (NCHW between pairs of Transposes) is turned
// NHWC throughout: its Transposes become aliases, and the ops that name an
// axis (Pad, ConcatV2, 4-D constants of element-wise ops) are rewritten.
'use strict';
const fs = require('fs');
const path = require('path');

// ---- protobuf writing (only the wire types GraphDef needs) -----------------
function varint(value) {
  let v = BigInt.asUintN(64, BigInt(value));
  const out = [];
  do {
    let b = Number(v & 0x7fn);
    v >>= 7n;
    if (v) b |= 0x80;
    out.push(b);
  } while (v);
  return Buffer.from(out);
}
const key = (field, wire) => varint((field << 3) | wire);
const fieldVarint = (field, value) => Buffer.concat([key(field, 0), varint(value)]);
const fieldBytes = (field, bytes) => {
  const b = Buffer.isBuffer(bytes) ? bytes : Buffer.from(bytes, 'utf8');
  return Buffer.concat([key(field, 2), varint(b.length), b]);
};
const fieldFloat = (field, value) => {
  const b = Buffer.alloc(4);
  b.writeFloatLE(value);
  return Buffer.concat([key(field, 5), b]);
};
const packedVarints = (field, values) => fieldBytes(field, Buffer.concat(values.map(varint)));

const DTYPES = { DT_FLOAT: 1, DT_INT32: 3, DT_BOOL: 10, DT_INT64: 9 };
const dtypeCode = (name) => {
  if (!(name in DTYPES)) throw new Error(`unsupported dtype ${name}`);
  return DTYPES[name];
};

const shapeProto = (dims) => Buffer.concat(dims.map((d) => fieldBytes(2, fieldVarint(1, d))));

function tensorProto(t) {
  const parts = [fieldVarint(1, t.dtype), fieldBytes(2, shapeProto(t.shape))];
  if (t.dtype === DTYPES.DT_INT32) {
    // OpenCV reads axes and sizes from int_val and everything else from
    // tensor_content; a ConcatV2 axis given only as content crashes it.
    parts.push(packedVarints(7, Array.from(t.values)));
    parts.push(fieldBytes(4, Buffer.from(Int32Array.from(t.values).buffer)));
  } else {
    parts.push(fieldBytes(4, Buffer.from(Float32Array.from(t.values).buffer)));
  }
  return Buffer.concat(parts);
}

function attrValue(a) {
  if ('tensor' in a) return fieldBytes(8, tensorProto(a.tensor));
  if ('list' in a) {
    const l = a.list;
    const parts = [];
    if (l.s) for (const s of l.s) parts.push(fieldBytes(2, Buffer.from(s, 'base64')));
    if (l.i && l.i.length) parts.push(packedVarints(3, l.i.map((x) => BigInt(x))));
    if (l.f && l.f.length) parts.push(fieldBytes(4, Buffer.from(Float32Array.from(l.f.map(Number)).buffer)));
    if (l.type) for (const t of l.type) parts.push(fieldVarint(6, dtypeCode(t)));
    return fieldBytes(1, Buffer.concat(parts));
  }
  if ('s' in a) return fieldBytes(2, Buffer.from(a.s, 'base64'));
  if ('i' in a) return fieldVarint(3, BigInt(a.i));
  if ('f' in a) return fieldFloat(4, Number(a.f));
  if ('b' in a) return fieldVarint(5, a.b ? 1 : 0);
  if ('type' in a) return fieldVarint(6, dtypeCode(a.type));
  if ('shape' in a) return fieldBytes(7, shapeProto((a.shape.dim || []).map((d) => BigInt(d.size))));
  throw new Error(`unsupported attribute ${JSON.stringify(a)}`);
}

function nodeProto(n) {
  const parts = [fieldBytes(1, n.name), fieldBytes(2, n.op)];
  for (const i of n.input || []) parts.push(fieldBytes(3, i));
  for (const [k, v] of Object.entries(n.attr || {})) {
    if (k.startsWith('_')) continue;  // optimiser notes
    parts.push(fieldBytes(5, Buffer.concat([fieldBytes(1, k), fieldBytes(2, attrValue(v))])));
  }
  return Buffer.concat(parts);
}

// ---- weights ---------------------------------------------------------------
function halfToFloat(h) {
  const s = h & 0x8000 ? -1 : 1, e = (h >> 10) & 0x1f, f = h & 0x3ff;
  if (e === 0) return s * f * 2 ** -24;
  if (e === 31) return f ? NaN : s * Infinity;
  return s * (1 + f / 1024) * 2 ** (e - 15);
}

function readWeights(modelPath, model) {
  const weights = new Map();
  for (const group of model.weightsManifest) {
    const data = Buffer.concat(group.paths.map((p) => fs.readFileSync(path.join(path.dirname(modelPath), p))));
    let at = 0;
    for (const w of group.weights) {
      const count = w.shape.reduce((a, b) => a * b, 1);
      const q = w.quantization;
      const width = q ? { float16: 2, uint8: 1, uint16: 2 }[q.dtype] : 4;
      if (!width) throw new Error(`${w.name}: unsupported quantisation ${q.dtype}`);
      if (at + count * width > data.length) throw new Error(`${w.name}: weights end early`);
      const values = new (w.dtype === 'int32' ? Int32Array : Float32Array)(count);
      for (let k = 0; k < count; ++k) {
        const o = at + k * width;
        if (!q) values[k] = w.dtype === 'int32' ? data.readInt32LE(o) : data.readFloatLE(o);
        else if (q.dtype === 'float16') values[k] = halfToFloat(data.readUInt16LE(o));
        else values[k] = (q.dtype === 'uint8' ? data[o] : data.readUInt16LE(o)) * q.scale + q.min;
      }
      weights.set(w.name, { dtype: w.dtype === 'int32' ? DTYPES.DT_INT32 : DTYPES.DT_FLOAT, shape: w.shape, values });
      at += count * width;
    }
  }
  return weights;
}

// ---- graph rewriting -------------------------------------------------------
const source = (input) => input.replace(/^\^/, '').replace(/:\d+$/, '');
const TO_NCHW = '0,3,1,2', TO_NHWC = '0,2,3,1';
const NHWC_OPS = new Set(['Conv2D', 'DepthwiseConv2dNative', 'MaxPool', 'AvgPool', 'ResizeBilinear', 'Conv2DBackpropInput']);
const ELEMENTWISE = new Set(['Add', 'AddV2', 'Sub', 'Mul']);

function toNhwc(nodes, weights) {
  const byName = new Map(nodes.map((n) => [n.name, n]));
  const perm = (n) => Array.from(weights.get(source(n.input[1])).values).join(',');
  const layout = new Map();
  const dataInput = (n) => (n.input || []).find((i) => byName.get(source(i)).op !== 'Const');
  for (const n of nodes) {  // TF.js lists nodes in an order where inputs come first
    let l = 'nhwc';
    if (n.op === 'Placeholder') l = n.attr.shape.shape.dim.length === 4 && n.attr.shape.shape.dim[1].size === '3' ? 'nchw' : 'nhwc';
    else if (n.op === 'Transpose') l = perm(n) === TO_NCHW ? 'nchw' : perm(n) === TO_NHWC ? 'nhwc' : 'other';
    else if (!NHWC_OPS.has(n.op) && dataInput(n)) l = layout.get(source(dataInput(n)));
    layout.set(n.name, l);
  }
  if (![...layout.values()].includes('nchw')) return nodes;

  const alias = new Map();
  const resolve = (input) => {
    const s = source(input);
    return alias.has(s) ? resolve(alias.get(s)) : input;
  };
  const constant = (name, t) => ({ name, op: 'Const', attr: { dtype: { type: t.dtype === DTYPES.DT_INT32 ? 'DT_INT32' : 'DT_FLOAT' }, value: { tensor: t } } });
  const copyConst = (newName, t) => {
    weights.set(newName, t);
    out.push(constant(newName, t));
    return newName;
  };
  const out = [];
  const padToNhwc = (name) => {
    const p = Array.from(weights.get(name).values);  // N, C, H, W pairs
    return copyConst(`${name}/nhwc`, { dtype: DTYPES.DT_INT32, shape: [4, 2], values: [p[0], p[1], p[4], p[5], p[6], p[7], p[2], p[3]] });
  };
  const axisToNhwc = (name) => {
    const a = weights.get(name).values[0];
    const mapped = [0, 3, 1, 2][a < 0 ? a + 4 : a];
    return copyConst(`${name}/nhwc`, { dtype: DTYPES.DT_INT32, shape: [], values: [mapped] });
  };
  const shiftBy = (name, input, c) => {
    const k = copyConst(`${name}/c`, { dtype: DTYPES.DT_FLOAT, shape: [], values: [c] });
    out.push({ name, op: 'AddV2', input: [input, k], attr: { T: { type: 'DT_FLOAT' } } });
    return name;
  };
  const unshift = new Set();
  for (const n0 of nodes) {
    const n = { ...n0, input: (n0.input || []).map(resolve) };
    const nchw = layout.get(n0.name) === 'nchw';
    if (n.op === 'Transpose' && layout.get(n0.name) !== 'other') {
      alias.set(n.name, n.input[0]);
      continue;
    }
    if (n.op === 'Placeholder' && nchw) {
      const d = n.attr.shape.shape.dim;
      n.attr = { ...n.attr, shape: { shape: { dim: [d[0], d[2], d[3], d[1]] } } };
    } else if (n.op === 'Pad' && nchw) {
      n.input[1] = padToNhwc(source(n.input[1]));
    } else if (n.op === 'PadV2') {
      // No PadV2 in OpenCV. A pad of -inf in front of a max-pool equals the
      // max-pool of the zero-padded x + C, less C, for C above -min(x).
      const fill = weights.get(source(n.input[2])).values[0];
      const users = nodes.filter((m) => (m.input || []).some((i) => resolve(i) === n.name || source(i) === n.name));
      const pools = users.flatMap((u) => (u.op === 'Transpose' ? nodes.filter((m) => (m.input || []).some((i) => source(i) === u.name)) : [u]));
      if (fill > -1e30 || !pools.every((p) => p.op === 'MaxPool')) throw new Error(`${n.name}: only a -inf pad before a max-pool is supported`);
      const shifted = shiftBy(`${n.name}/shift`, n.input[0], kShift);
      const paddings = nchw ? padToNhwc(source(n.input[1])) : n.input[1];
      out.push({ name: n.name, op: 'Pad', input: [shifted, paddings], attr: { T: n.attr.T, Tpaddings: n.attr.Tpaddings } });
      for (const p of pools) unshift.add(p.name);
      continue;
    } else if (n.op === 'ConcatV2' && nchw) {
      n.input[n.input.length - 1] = axisToNhwc(source(n.input[n.input.length - 1]));
    } else if (ELEMENTWISE.has(n.op) && nchw) {
      n.input = n.input.map((i) => {
        const w = weights.get(source(i));
        if (!w || w.shape.length !== 4) return i;
        const [a, b, c, d] = w.shape, v = new Float32Array(w.values.length);
        for (let x = 0; x < a; ++x) for (let y = 0; y < b; ++y) for (let z = 0; z < c; ++z) for (let t = 0; t < d; ++t)
          v[((x * c + z) * d + t) * b + y] = w.values[((x * b + y) * c + z) * d + t];
        return copyConst(`${source(i)}/nhwc`, { dtype: w.dtype, shape: [a, c, d, b], values: v });
      });
    } else if (nchw && !['Const', 'LeakyRelu', 'Relu', 'Sigmoid', 'Identity', 'Add', 'AddV2', 'Sub', 'Mul', 'SplitV', 'Reshape'].includes(n.op)) {
      throw new Error(`${n.name}: ${n.op} on an NCHW tensor is not supported`);
    }
    out.push(n);
    if (unshift.has(n.name)) {
      const pooled = `${n.name}/pooled`;
      out[out.length - 1] = { ...n, name: pooled };
      shiftBy(n.name, pooled, -kShift);
    }
  }
  return out;
}
const kShift = 1024;  // a power of two: adding and taking it away again rounds least

function cutBefore(nodes, op) {
  const heads = [];
  const renamed = new Map();
  for (const n of nodes) if (n.op === op) renamed.set(source(n.input[0]), `head_${heads.push(n) - 1}`);
  if (!heads.length) throw new Error(`no ${op} to cut before`);
  const out = nodes.map((n) => {
    const m = { ...n, input: (n.input || []).map((i) => renamed.get(i) || i) };
    if (renamed.has(n.name)) m.name = renamed.get(n.name);
    return m;
  });
  return { nodes: out, outputs: [...renamed.values()] };
}

function prune(nodes, outputs) {
  const byName = new Map(nodes.map((n) => [n.name, n]));
  const keep = new Set();
  const stack = [...outputs];
  while (stack.length) {
    const name = stack.pop();
    if (keep.has(name)) continue;
    const n = byName.get(name);
    if (!n) throw new Error(`missing node ${name}`);
    keep.add(name);
    for (const i of n.input || []) stack.push(source(i));
  }
  return nodes.filter((n) => keep.has(n.name));
}

function convert(modelPath, outPath, headsBefore) {
  const model = JSON.parse(fs.readFileSync(modelPath, 'utf8'));
  const weights = readWeights(modelPath, model);
  let nodes = toNhwc(model.modelTopology.node, weights);
  let outputs = Object.values(model.signature.outputs).map((o) => source(o.name));
  if (headsBefore) ({ nodes, outputs } = cutBefore(nodes, headsBefore));
  nodes = prune(nodes, outputs);
  for (const n of nodes) {
    if (n.op !== 'Const' || n.attr.value.tensor.values) continue;
    const w = weights.get(n.name);
    if (!w) throw new Error(`${n.name}: no weights`);
    n.attr = { dtype: n.attr.dtype, value: { tensor: w } };
  }
  const graph = Buffer.concat([
    ...nodes.map((n) => fieldBytes(1, nodeProto(n))),
    fieldBytes(4, fieldVarint(1, (model.modelTopology.versions || {}).producer || 1)),
  ]);
  fs.writeFileSync(`${outPath}.part`, graph);
  fs.renameSync(`${outPath}.part`, outPath);
  return outputs;
}

if (require.main === module) {
  const [modelPath, outPath, flag, op] = process.argv.slice(2);
  if (!modelPath || !outPath || (flag && flag !== '--heads-before')) {
    console.error('usage: convert.js <model.json> <out.pb> [--heads-before OP]');
    process.exit(2);
  }
  try {
    const outputs = convert(modelPath, outPath, op);
    console.log(`${path.basename(outPath)}: outputs ${outputs.join(', ')}`);
  } catch (e) {
    console.error(`convert.js: ${modelPath}: ${e.message}`);
    process.exit(1);
  }
}
module.exports = { convert };
