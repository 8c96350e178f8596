// Prints the Khronos validator's report of a .glb file as JSON on standard
// output; exits 1 when the report has errors, 2 when the file cannot be read.
const fs = require('fs');
const validator = require('gltf-validator');

let bytes;
try {
  bytes = new Uint8Array(fs.readFileSync(process.argv[2]));
} catch (error) {
  console.error(error.message);
  process.exit(2);
}
validator.validateBytes(bytes, { maxIssues: 20 }).then((report) => {
  console.log(JSON.stringify(report.issues));
  process.exit(report.issues.numErrors > 0 ? 1 : 0);
}, (error) => {
  console.error(String(error));
  process.exit(1);
});
