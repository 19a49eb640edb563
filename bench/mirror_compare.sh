#!/usr/bin/env bash
# Mirrors one generated site with zsumbra, wget and wget2 and compares them: PAGES pages
# (20,000 unless told) in nested folders, about 20 links and 3 images a page, shared style
# sheets with url(), served by nginx on a free port of 127.0.0.1. The programs take turns in
# each of ROUNDS rounds (3 unless told); each copy is timed, and so is the floor: one curl
# fetching the files wget copied, ten at a time, parsing nothing. The most memory zsumbra's
# processes held is noted, and every local link of the zsumbra copies must lead to a file of
# the copy. Then the first zsumbra copy is refreshed with nothing changed at the source. The
# last two lines hold the medians and the refresh. SITE names a folder to serve instead of
# the generated site (its index.html is where the copies start), such as the Python
# documentation in /usr/share/doc/python3.11/html.
# Usage: [PAGES=n | SITE=dir] [ROUNDS=n] bench/mirror_compare.sh [BUILD_DIR] (default: build/).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
zsumbra="$build/zsumbra"
for program in "$zsumbra" /usr/sbin/nginx /usr/bin/time wget wget2 curl python3; do
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

pages="${PAGES:-20000}"
rounds="${ROUNDS:-3}"
served_dir="${SITE:-$work/site}"
label="pages=$pages"
[ -z "${SITE:-}" ] || label="site=$SITE"
[ -n "${SITE:-}" ] || python3 - "$work/site" "$pages" <<'EOF'
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
  types {
    text/html html; text/css css; image/png png; image/svg+xml svg; application/javascript js;
  }
  default_type application/octet-stream;
  server {
    listen 127.0.0.1:$port; root $served_dir;
    location = /requests-served { stub_status; }
  }
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
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
files_in() { find "$1" -type f ! -name '#*' | wc -l; }
served() { curl -s "http://127.0.0.1:$port/requests-served" | awk 'NR == 3 { print $3 }'; }

# zsumbra has settings and a job list of its own.
mkdir -p "$work/zs-home"
zsumbra_env=(env XDG_DATA_HOME="$work/zs-home" ZELVOR_SUMBRA_USER_HIVE="$work/zs-home/user.db"
  ZELVOR_SUMBRA_MACHINE_HIVE="$work/zs-home/machine.db")
zsumbra_times=() wget_times=() wget2_times=() floor_times=() rss_kb=()
broken_total=0
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for round in $(seq 1 "$rounds"); do
  copy="$work/zsumbra-$round"
  start=$(now)
  /usr/bin/time -f %M -o "$work/rss" "${zsumbra_env[@]}" \
    "$zsumbra" get "$url" "$copy" --connections 10 -q || echo "zsumbra ended with $?" >&2
  zsumbra_times+=("$(elapsed "$start" "$(now)")")
  rss_kb+=("$(tail -n 1 "$work/rss")")

  start=$(now)
  (cd "$work" && wget -q -r -l inf -k -p -np -P "$work/wget-$round" "$url") ||
    echo "wget ended with $?" >&2
  wget_times+=("$(elapsed "$start" "$(now)")")

  start=$(now)
  (cd "$work" && wget2 -q -r -l inf -k -p -np --max-threads=10 -P "$work/wget2-$round" "$url") ||
    echo "wget2 ended with $?" >&2
  wget2_times+=("$(elapsed "$start" "$(now)")")

  # The floor: the files wget copied, fetched by one curl ten at a time, with nothing parsed.
  (cd "$work/wget-$round/127.0.0.1:$port" && find . -type f | sed 's|^\./||') |
    awk -v base="http://127.0.0.1:$port/" -v out="$work/floor-$round/" \
      '{ printf "url = \"%s%s\"\noutput = \"%s%d\"\n", base, $0, out, NR }' >"$work/floor.cfg"
  mkdir -p "$work/floor-$round"
  start=$(now)
  curl -s --no-progress-meter --parallel --parallel-max 10 -K "$work/floor.cfg" || echo "curl ended with $?" >&2
  floor_times+=("$(elapsed "$start" "$(now)")")
  rm -rf "$work/floor-$round"

  # Every local link of the copy's pages and style sheets must lead to a file of the copy.
  read -r broken checked <<<"$("$root/scripts/broken-links" "$copy" | tail -n 1)"
  broken_total=$((broken_total + broken))
  echo "round $round: zsumbra_s=${zsumbra_times[-1]} wget_s=${wget_times[-1]}" \
    "wget2_s=${wget2_times[-1]} curl_floor_s=${floor_times[-1]} zsumbra_rss_mb=$((rss_kb[-1] / 1024))" \
    "zsumbra_files=$(files_in "$copy") wget_files=$(files_in "$work/wget-$round")" \
    "wget2_files=$(files_in "$work/wget2-$round") broken_links=$broken of $checked"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

# A refresh of the first copy with nothing changed: every request is conditional, and no
# copied file is written again.
touch "$work/before-refresh"
sleep 1 # file times of the refresh's writes are later than the mark
requests_before=$(served)
start=$(now)
"${zsumbra_env[@]}" "$zsumbra" refresh "$work/zsumbra-1" -q || echo "refresh ended with $?" >&2
refresh_s=$(elapsed "$start" "$(now)")
requests=$(($(served) - requests_before - 1))
rewritten=$(find "$work/zsumbra-1" -type f ! -name '#*' -newer "$work/before-refresh" | wc -l)

zsumbra_s=$(median "${zsumbra_times[@]}")
echo "mirror $label zsumbra_s=$zsumbra_s wget_s=$(median "${wget_times[@]}")" \
  "wget2_s=$(median "${wget2_times[@]}") curl_floor_s=$(median "${floor_times[@]}")" \
  "zsumbra_rss_mb=$(($(median "${rss_kb[@]}") / 1024))" \
  "zsumbra_files=$(files_in "$work/zsumbra-1") wget_files=$(files_in "$work/wget-1")" \
  "zsumbra_broken_links=$broken_total rounds=$rounds"
echo "refresh $label full_s=$zsumbra_s unchanged_refresh_s=$refresh_s requests=$requests" \
  "rewritten_files=$rewritten"
