// What a test file starts is disposed of by the harness: whatever a test started
// when that test ends (pass or fail), whatever a `before` hook started when the
// file's tests end. So no program of one test outlives it into the next.
import { after, afterEach, beforeEach } from 'node:test';

async function disposeAll(resources) {
  const failures = [];
  for (const resource of resources.reverse()) {
    try {
      await resource.dispose();
    } catch (error) {
      failures.push(error);
    }
  }
  if (failures.length === 1) throw failures[0];
  if (failures.length) throw new AggregateError(failures, 'disposing of what the test started');
}

// Call once at a test file's top level; returns track(resource), which returns resource.
export function disposalOfThisFile() {
  const perTest = [];
  const perFile = [];
  let testRunning = false;
  beforeEach(() => { testRunning = true; });
  afterEach(() => {
    testRunning = false;
    return disposeAll(perTest.splice(0));
  });
  after(() => disposeAll(perFile.splice(0)));
  return (resource) => {
    (testRunning ? perTest : perFile).push(resource);
    return resource;
  };
}
