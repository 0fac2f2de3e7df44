// node gltf-validate.js VALIDATOR_DIR FILE...: the Khronos glTF validator's
// verdict on each .glb or .gltf (resources read beside the file); one line a
// file with its error and warning counts, every error listed. Exit status 1
// when any file has an error.
'use strict';
const fs = require('fs');
const path = require('path');
const validator = require(path.resolve(process.argv[2], 'node_modules', 'gltf-validator'));

async function check(file) {
  const dir = path.dirname(file);
  const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
    uri: path.basename(file),
    maxIssues: 0,
    externalResourceFunction: (uri) =>
      new Promise((resolve, reject) => {
        fs.readFile(path.resolve(dir, decodeURIComponent(uri)), (err, data) =>
          err ? reject(err.toString()) : resolve(new Uint8Array(data)));
      }),
  });
  const issues = report.issues;
  console.log(`${file}: ${issues.numErrors} error(s), ${issues.numWarnings} warning(s)`);
  for (const m of issues.messages)
    if (m.severity === 0) console.log(`  ${m.code} ${m.pointer || ''}: ${m.message}`);
  return issues.numErrors;
}

(async () => {
  let errors = 0;
  for (const file of process.argv.slice(3)) errors += await check(file);
  process.exit(errors ? 1 : 0);
})();
