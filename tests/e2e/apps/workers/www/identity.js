// What a page or a worker reads to learn the platform it runs on; a worker
// answers "identity" with it.
const readIdentity = async () => ({ userAgent: navigator.userAgent, platform: navigator.platform,
  data: await navigator.userAgentData.getHighEntropyValues(['platformVersion', 'architecture', 'bitness']) });
if (typeof window === 'undefined') {
  self.addEventListener('message', (event) => {
    if (event.data === 'identity') readIdentity().then((identity) => (event.source ?? self).postMessage(identity));
  });
}
