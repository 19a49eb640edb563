#!/usr/bin/env bash
# Mirrors one generated site with zsumbra, wget and wget2 and compares them: 20,000 pages in
# nested folders, about 20 links and 3 images a page, shared style sheets with url(), served
# by nginx on a free port of 127.0.0.1. Times each copy, counts its files, and checks that
# every local link of the zsumbra copy leads to a file of the copy. The last line holds the
# results. Usage: bench/mirror_compare.sh [BUILD_DIR] (default: build/ of the repository).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
zsumbra="$build/zsumbra"
for program in "$zsumbra" /usr/sbin/nginx wget wget2 python3; do
  command -v "$program" >/dev/null || { echo "mirror_compare: $program is missing" >&2; exit 1; }
done

# The site and the copies live in memory (/dev/shm) unless TMPDIR says otherwise: on a disk
# file system the first program to run after a mass deletion (the clean-up of an earlier
# run) pays for the inodes the file system then searches, which measures the order of the
# runs rather than the programs.
place="${TMPDIR:-}"
if [ -z "$place" ]; then
  if [ -d /dev/shm ] && [ -w /dev/shm ]; then place=/dev/shm; else place=/tmp; fi
fi
work="$(mktemp -d "$place/zs-mirror-compare-XXXXXX")"
nginx_pid=""
cleanup() {
  if [ -n "$nginx_pid" ]; then kill "$nginx_pid" 2>/dev/null || true; wait "$nginx_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

pages=20000
python3 - "$work/site" "$pages" <<'EOF'
import os, random, sys
site, pages = sys.argv[1], int(sys.argv[2])
random.seed(7)
folders, per_folder = 20, 10           # 20 sections of 10 chapters of 100 pages
per_chapter = pages // (folders * per_folder)
images = 600
def page_path(n):
    return "sec%02d/ch%02d/page%03d.html" % (n // (per_folder * per_chapter),
                                              n // per_chapter % per_folder, n % per_chapter)
def rel(source, target):
    return os.path.relpath(target, os.path.dirname(source) or ".")
os.makedirs(os.path.join(site, "img"), exist_ok=True)
os.makedirs(os.path.join(site, "css"), exist_ok=True)
for i in range(images):
    with open(os.path.join(site, "img", "pic%03d.png" % i), "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + bytes([i % 256]) * (512 + i))
for s in range(4):
    with open(os.path.join(site, "img", "bg%d.png" % s), "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + bytes([s]) * 300)
    with open(os.path.join(site, "css", "style%d.css" % s), "w") as f:
        f.write("body { background: url(../img/bg%d.png) }\n"
                "h1 { background-image: url('../img/pic%03d.png') }\n" % (s, s))
for n in range(pages):
    path = page_path(n)
    links = [(n + 1) % pages] + [random.randrange(pages) for _ in range(19)]
    body = ['<html><head><title>Page %d</title>' % n,
            '<link rel="stylesheet" href="%s"></head><body><h1>Page %d</h1>'
            % (rel(path, "css/style%d.css" % (n % 4)), n)]
    for k in range(3):
        body.append('<img src="%s">' % rel(path, "img/pic%03d.png" % random.randrange(images)))
    for target in links:
        body.append('<a href="%s">page %d</a>' % (rel(path, page_path(target)), target))
    body.append("</body></html>\n")
    full = os.path.join(site, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "w") as f:
        f.write("\n".join(body))
# The start page leads to the first page of every chapter; the rest is found by the links.
with open(os.path.join(site, "index.html"), "w") as f:
    f.write("<html><body>\n" + "\n".join(
        '<a href="%s">chapter</a>' % page_path(c * per_chapter)
        for c in range(folders * per_folder)) + "\n</body></html>\n")
EOF

port="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
mkdir -p "$work/nginx/temp"
cat >"$work/nginx/nginx.conf" <<EOF
daemon off;
master_process off;
worker_processes 1;
pid $work/nginx/nginx.pid;
events { worker_connections 1024; }
http {
  access_log off;
  sendfile on;
  client_body_temp_path $work/nginx/temp/body;
  proxy_temp_path $work/nginx/temp/proxy;
  fastcgi_temp_path $work/nginx/temp/fastcgi;
  uwsgi_temp_path $work/nginx/temp/uwsgi;
  scgi_temp_path $work/nginx/temp/scgi;
  types { text/html html; text/css css; image/png png; }
  default_type application/octet-stream;
  server { listen 127.0.0.1:$port; root $work/site; }
}
EOF
/usr/sbin/nginx -p "$work/nginx/" -c "$work/nginx/nginx.conf" -e "$work/nginx/error.log" &
nginx_pid=$!
for _ in $(seq 1 300); do
  python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null && break
  sleep 0.05
done
url="http://127.0.0.1:$port/index.html"

now() { date +%s.%N; }
elapsed() { python3 -c "print('%.2f' % ($2 - $1))"; }
files_in() { find "$1" -type f ! -name '#*' | wc -l; }

# zsumbra, with settings and job list of its own.
mkdir -p "$work/zs-home"
start=$(now)
XDG_DATA_HOME="$work/zs-home" ZELVOR_SUMBRA_USER_HIVE="$work/zs-home/user.db" \
  ZELVOR_SUMBRA_MACHINE_HIVE="$work/zs-home/machine.db" \
  "$zsumbra" get "$url" "$work/zsumbra" --connections 10 -q || echo "zsumbra ended with $?" >&2
zsumbra_s=$(elapsed "$start" "$(now)")

start=$(now)
(cd "$work" && wget -q -r -l inf -k -p -np -P "$work/wget" "$url") || echo "wget ended with $?" >&2
wget_s=$(elapsed "$start" "$(now)")

start=$(now)
(cd "$work" && wget2 -q -r -l inf -k -p -np --max-threads=10 -P "$work/wget2" "$url") ||
  echo "wget2 ended with $?" >&2
wget2_s=$(elapsed "$start" "$(now)")

# Every local link of the copy's pages and style sheets must lead to a file of the copy.
broken=$("$root/scripts/broken-links" "$work/zsumbra" | tail -n 1)
read -r broken checked <<<"$broken"

zsumbra_files=$(files_in "$work/zsumbra")
wget_files=$(files_in "$work/wget")
wget2_files=$(files_in "$work/wget2")
echo "wget2_files=$wget2_files (the site holds $(files_in "$work/site") files);" \
  "local links checked in the zsumbra copy: $checked"
echo "mirror pages=$pages zsumbra_s=$zsumbra_s wget_s=$wget_s wget2_s=$wget2_s" \
  "zsumbra_files=$zsumbra_files wget_files=$wget_files zsumbra_broken_links=$broken"
