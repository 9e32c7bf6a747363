// Command dispatch: quorrin COMMAND [APP] [OPTIONS]. An unknown command or
// option prints the usage and ends with 2; every failure says what to do.
import { parseArgs } from 'node:util';

import { PackagingError } from '../lib/checks.mjs';
import { checkCommand } from './check.mjs';
import { devCommand } from './dev.mjs';
import { initCommand } from './init.mjs';
import { packageCommand } from './package.mjs';
import { runCommand } from './run.mjs';

export const USAGE = `Usage: quorrin COMMAND [APP] [OPTIONS]
APP is an application folder holding package.json and www/ (default: the current folder).

  quorrin check [APP]             every check packaging makes, and the program's own
                                  manifest rules; one line per problem
  quorrin package [APP] [--dist DIR] [--sign-pfx FILE [--timestamp-url URL]]
                  [--sign-command "CMD {file}"] [--sign-extension]
                                  the program folder, its zip and (with makensis) the
                                  installer, in DIR (default: APP/dist)
  quorrin dev [APP] [--port N] [--no-reload]
                                  serves APP to a desktop browser at http://localhost:N/
  quorrin run [APP]               starts the application in Quorrin (Windows)
  quorrin init [DIR]              writes a minimal package.json and www/index.html
  quorrin init [DIR] --from EXPORT
                                  copies an engine's web export into DIR/www/ and writes
                                  the package.json it needs
  quorrin help                    this text

The certificate's password for --sign-pfx comes from QUORRIN_SIGN_PASSWORD.`;

const COMMANDS = {
  check: { run: checkCommand, options: {} },
  package: {
    run: packageCommand,
    options: { dist: { type: 'string' }, 'sign-pfx': { type: 'string' },
      'timestamp-url': { type: 'string' }, 'sign-command': { type: 'string' },
      'sign-extension': { type: 'boolean' } },
  },
  dev: { run: devCommand, options: { port: { type: 'string' }, 'no-reload': { type: 'boolean' } } },
  run: { run: runCommand, options: {} },
  init: { run: initCommand, options: { from: { type: 'string' } } },
};

class UsageError extends Error {}

function parse(command, args) {
  try {
    const { values, positionals } = parseArgs({ args, allowPositionals: true,
      options: COMMANDS[command].options });
    if (positionals.length > 1) throw new UsageError(`one folder only, not ${positionals.join(' ')}`);
    return { values, folder: positionals[0] ?? '.' };
  } catch (error) {
    throw new UsageError(error.message);
  }
}

// Returns the exit code; the dev server's code comes when it stops.
export async function main(args) {
  const [command, ...rest] = args;
  if (command === 'help' || command === '--help' || command === '-h') {
    console.log(USAGE);
    return 0;
  }
  try {
    if (!Object.hasOwn(COMMANDS, command ?? '')) {
      throw new UsageError(command ? `unknown command "${command}"` : 'no command given');
    }
    const { values, folder } = parse(command, rest);
    return await COMMANDS[command].run(folder, values);
  } catch (error) {
    if (error instanceof UsageError || error.usage) {
      console.error(`quorrin: ${error.message}\n\n${USAGE}`);
      return 2;
    }
    if (error instanceof PackagingError) {
      console.error(`quorrin ${command}: ${error.message}`);
      return 1;
    }
    // Anything else is unforeseen: said in one line, with where it happened for a report.
    console.error(`quorrin ${command}: ${error.message}\n${error.stack?.split('\n')[1]?.trim() ?? ''}`);
    return 1;
  }
}
