// Prints every user table of an Access (.mdb) file as JSON, read by the
// independent reader mdb-reader:
//   {"table": {"columns": [{"name", "type"}], "rows": [{"column": value}]}}
// Null is null; dates are {"date": ISO-8601}; binary values {"base64": ...};
// 64-bit integers {"bigint": "..."}; doubles JSON cannot hold {"double": "NaN"}.
// Usage: node read_mdb.mjs FILE.mdb
import { readFileSync } from "node:fs";

let MDBReader;
try {
  MDBReader = (await import("mdb-reader")).default;
} catch (e) {
  process.stderr.write(
    "mdb-reader is not installed: run `npm ci --prefix tests/js` in the source tree\n");
  process.exit(2);
}

function encode(value) {
  if (value === null || value === undefined) return null;
  if (value instanceof Date) return { date: value.toISOString() };
  if (Buffer.isBuffer(value)) return { base64: value.toString("base64") };
  if (typeof value === "bigint") return { bigint: value.toString() };
  if (typeof value === "number" && !Number.isFinite(value)) return { double: String(value) };
  return value;
}

if (process.argv.length !== 3) {
  process.stderr.write("usage: node read_mdb.mjs FILE.mdb\n");
  process.exit(2);
}
const reader = new MDBReader(readFileSync(process.argv[2]));
const out = {};
for (const name of reader.getTableNames()) {
  const table = reader.getTable(name);
  const columns = table.getColumns().map((c) => ({ name: c.name, type: c.type }));
  const rows = table.getData().map((row) => {
    const encoded = {};
    for (const c of columns) encoded[c.name] = encode(row[c.name]);
    return encoded;
  });
  out[name] = { columns, rows };
}
process.stdout.write(JSON.stringify(out, null, 1) + "\n");
