// Loaded first by every page of the corpus: keeps what the page logged as an
// error, every request answered with a failure, and when the engine said it
// started (window.corpus.started, milliseconds since the navigation began).
(() => {
  const errors = [];
  const keep = (text) => errors.push(String(text).slice(0, 500));
  const consoleError = console.error.bind(console);
  console.error = (...args) => { keep(args.join(' ')); consoleError(...args); };
  addEventListener('error', (event) => keep(event.message ||
    `${event.target?.src || event.target?.href || 'a resource'} failed to load`), true);
  addEventListener('unhandledrejection', (event) => keep(`unhandled rejection: ${event.reason}`));
  new PerformanceObserver((list) => {
    for (const entry of list.getEntries())
      if (entry.responseStatus >= 400) keep(`${entry.name} answered ${entry.responseStatus}`);
  }).observe({ type: 'resource', buffered: true });
  window.corpus = {
    errors,
    started: null,
    startedBy: '',
    markStarted(by) {
      if (this.started !== null) return;
      this.started = performance.now();
      this.startedBy = String(by);
      document.documentElement.dataset.started = 'true';
    },
  };
})();
