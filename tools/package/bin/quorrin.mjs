#!/usr/bin/env node
// The quorrin command: check, package, preview and run an application folder
// (a package.json and a www/ folder) with the Quorrin program this package carries.
import { main } from '../cli/main.mjs';

process.exitCode = await main(process.argv.slice(2));
