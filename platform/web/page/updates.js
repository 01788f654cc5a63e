// The page's offline copy and its updates. The service worker (sw.js) keeps the page's files;
// a new build found on a visit installs in the background, and the next page loaded runs it.
// The page asks for its files by its build (the markup's files and the ones its scripts load
// carry "?b=<build>"), so that no cache, the browser's own included, hands it another
// build's; and it checks that it was put together from one build.

// The build of the page's scripts; the page's markup (index.html) names its own in the meta
// "dtu-build". Both are filled in when the page is built (page_build.cmake).
export const kPageBuild = '@DTU_PAGE_BUILD@';

// The address of the page's file `name` of this build.
export function ofThisBuild(name) {
  return new URL(`${name}?b=${kPageBuild}`, import.meta.url);
}
const kMixRetried = 'dtu-setup.mix-retried';  // sessionStorage: the build a mix was last loaded again for

// True when the page is loading again because it was put together from two builds: the
// browser can let a new build's worker take over while a page loads, between the page's
// markup and the files it loads (and a server's or the browser's cache can mix them).
// Loading again gives the new one whole. Once only for a build: a server that serves mixed
// files gets the page as it is.
export function loadedMixed() {
  const meta = document.querySelector('meta[name="dtu-build"]');
  try {
    if (meta && meta.content === kPageBuild) {
      sessionStorage.removeItem(kMixRetried);
      return false;
    }
    if (sessionStorage.getItem(kMixRetried) === kPageBuild) return false;
    sessionStorage.setItem(kMixRetried, kPageBuild);
  } catch (e) {
    return false;  // no session storage: loading again might never end
  }
  console.warn('dtu-setup: the page\'s markup is of build', meta && meta.content, 'its scripts of', kPageBuild, ': loading again');
  location.reload();
  return true;
}

// Keeps the page's files for offline use (after the page has loaded: it does not compete
// with the page's own start). The browser looks for a new build on every visit.
export function keepOffline() {
  addEventListener('load', () => navigator.serviceWorker.register('sw.js').catch((e) => console.warn('offline copy:', e)));
}
