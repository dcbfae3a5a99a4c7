# Writes the site's service worker: its template with the digest of the site's files as the cache's name,
# so that every build whose files differ has a cache of its own.
# Usage: cmake -DSITE=DIR -DTEMPLATE=FILE -P service-worker.cmake
set(joined "")
foreach(name index.html page.js pellwick.js pellwick.wasm manifest.webmanifest icon-192.png icon-512.png)
  file(SHA256 "${SITE}/${name}" digest)
  string(APPEND joined "${name} ${digest}\n")
endforeach()
string(SHA256 SITE_DIGEST "${joined}")
string(SUBSTRING "${SITE_DIGEST}" 0 16 SITE_DIGEST)
configure_file("${TEMPLATE}" "${SITE}/sw.js" @ONLY)
