fetch('inner.txt').then((response) => response.text()).then((text) => postMessage(text.trim()));
