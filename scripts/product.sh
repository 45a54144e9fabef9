# Sourced by the scripts: the product's facts (product.env) as exported
# shell variables, and what is made from them.
_product_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
set -a
# shellcheck disable=SC1091
source "$_product_root/product.env"
set +a
# The version without its last part, as the help page's title gives it.
export KEEPSNAP_VERSION_MAJOR_MINOR=${KEEPSNAP_VERSION%.*}

# The release's files are named keepsnap-VERSION-ARCH.
keepsnap_release_name() { echo "keepsnap-$KEEPSNAP_VERSION-$1"; }

# keepsnap_fill TEMPLATE OUT: the template with each @KEEPSNAP_NAME@ put in
# from the facts; a name the facts do not give stops it.
keepsnap_fill() {
  python3 - "$1" "$2" <<'PY'
import os, re, sys
text = open(sys.argv[1], encoding='utf-8', newline='').read()
def value(match):
    name = match.group(1)
    if name not in os.environ:
        sys.exit('%s: no product fact %s' % (sys.argv[1], name))
    return os.environ[name]
open(sys.argv[2], 'w', encoding='utf-8', newline='').write(re.sub(r'@(KEEPSNAP_[A-Z_]+)@', value, text))
PY
}
