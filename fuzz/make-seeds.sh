#!/usr/bin/env bash
# Writes the seed corpora of fuzz/corpus/: the service simulator's real replies to every action
# (plain and with its faults), and list, INI and store files as the program writes them.
# Needs build/bin/zuvi-service-sim (./scripts/build.sh); talks to 127.0.0.1 only.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
sim="$root/build/bin/zuvi-service-sim"
corpus="$root/fuzz/corpus"
[ -x "$sim" ] || { echo "make-seeds: build $sim first (scripts/build.sh)" >&2; exit 1; }
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT

"$sim" --port 0 >"$work/out" 2>/dev/null &
pid=$!
for _ in $(seq 100); do grep -q listening "$work/out" && break; sleep 0.05; done
host=$(sed -n 's/^listening on //p' "$work/out")
api="http://$host/m2/index.php"
get() { curl -s --noproxy '*' "$@"; }
swap() { sed 's/\(.\)\(.\)/\2\1/g'; }
md5() { printf '%s' "$1" | md5sum | cut -c1-32; }

mkdir -p "$corpus"/{reply,unscramble,textlist,inifile,userstore,upload,promotions,restore,wave,banner}
save() { # save TARGET NAME: stdin into the corpus
    cat >"$corpus/$1/$2"
}

# A whole session of 13800000001, then the second account (plain CheckPM) and the faults.
session() { # session PHONE PASSWORD PREFIX
    local phone=$1 password=$2 p=$3 rd hamc
    get "$api?r=Pc/RandCode&Flag=160000" | tee "$work/rand" | save reply "$p-randcode.json"
    rd=$(jq -r .rd "$work/rand")
    hamc=$(md5 "$phone$(printf '%s' "$rd" | swap)160000")
    get "$api?r=Pc/Login&Phone=$phone&Passwd=$(md5 "$password")&Flag=160000&Hamc=$hamc" | save reply "$p-login.json"
    get "$api?r=Pc/CheckPM&Phone=$phone&Flag=160000&Hamc=$hamc" | tee "$corpus/unscramble/$p-checkpm" | save reply "$p-checkpm"
    get "$api?r=Pc/CreatePM&Phone=$phone&Flag=160000&Hamc=$hamc" | tee "$corpus/unscramble/$p-createpm" | save reply "$p-createpm"
    get "$api?r=Pc/Activity&Phone=$phone&Flag=160000&Hamc=$hamc" | save reply "$p-activity.json"
    get "$api?r=Pc/Keepalived&Phone=$phone&Flag=160000&Hamc=$hamc" | save reply "$p-keepalived.json"
    get "http://$host/m2_release/index.php?r=Pc/RestoreAddresBook&Phone=$phone&Flag=160000&Hamc=$hamc&Ver=5.1.0" \
        | save reply "$p-restore.json"
    get "$api?r=Pc/Login&Phone=$phone&Passwd=0&Flag=160000&Hamc=$hamc" | save reply "$p-login-refused.json"
    get "$api?r=Pc/Logout&Phone=$phone&Flag=160000&Hamc=$hamc" | save reply "$p-logout.json"
}
session 13800000001 zuvi1234 a
session 13800000002 zuvi5678 b
session demo demo c
get "$api?r=Pc/softversion&Flag=160000&Ver=5.1.0" | save reply softversion.json
get -d '' "http://$host/_sim/softversion?u=http://127.0.0.1/zuvi_tmp.exe" >/dev/null
get "$api?r=Pc/softversion&Flag=160000&Ver=5.1.0" | save reply softversion-update.json
for mode in refuse noret notjson; do
    for action in RandCode CheckPM; do
        get -d '' "http://$host/_sim/fault?action=$action&mode=$mode&count=1" >/dev/null
        get "$api?r=Pc/$action&Phone=13800000001&Flag=160000&Hamc=" | save reply "fault-$mode-$action"
    done
done
cp "$corpus"/reply/fault-*-CheckPM "$corpus/unscramble/"

# The Activity and RestoreAddresBook walkers: the session replies, then lists set at the simulator.
cp "$corpus"/reply/*-activity.json "$corpus/promotions/"
cp "$corpus"/reply/*-restore.json "$corpus"/reply/fault-*-RandCode "$corpus/restore/"
activity() { # activity NAME BODY
    get --data-binary "$2" "http://$host/_sim/activity" >/dev/null
    get "$api?r=Pc/Activity&Phone=13800000001&Flag=160000&Hamc=" | save promotions "$1.json"
}
activity three '{"ret":0,"c":[{"is_index_pc":"0","title":"A","content":"a"},{"is_index_pc":"1","pic":"http://{HOST}/_sim/pic/b","link":"http://{HOST}/b.html","title":"B","content":"b\nb"},{"title":"C"}]}'
activity empty '{"ret":0,"c":[]}'
activity no-list '{"ret":0}'
activity refused '{"ret":3,"c":[{"title":"A"}]}'
restore() { # restore NAME BODY
    get --data-binary "$2" "http://$host/_sim/restore" >/dev/null
    get "http://$host/m2_release/index.php?r=Pc/RestoreAddresBook&Phone=13800000001&Flag=160000&Hamc=&Ver=5.1.0" \
        | save restore "$1.json"
}
restore duplicates '{"ret":0,"c":[{"p":"13900000001","n":"张三"},{"p":"13900000001","n":"张三"},{"p":"13900000002","n":"张三"},{"p":"","n":"空"},{"p":"13900000003","n":""}]}'
restore no-ret '{"c":[{"p":"13900000001","n":"张三"}]}'
restore not-a-list '{"ret":0,"c":{"p":"13900000001"}}'
get "http://$host/_sim/banner.jpg" | save banner banner.jpg

# The contact upload: name, U+0000, number, as UTF-16LE.
utf16() { printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE; }
{ utf16 '张三'; printf '\0\0'; utf16 '13900000001'; } | save upload contact
{ utf16 'a=b c'; printf '\0\0'; utf16 '139-0000 0001'; } | save upload equals-blank
{ utf16 "$(printf 'x%.0s' $(seq 69)).y"; printf '\0\0'; utf16 '1'; } | save upload dot-at-70
{ utf16 '😀'; printf '\x00\xd8\0\0'; utf16 '%#*<>[]^`{|}'; } | save upload outside-bmp

# The player's "1.wav": the header the recorder writes, then samples; data size fields of each kind.
le32() { printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24)))"; }
wav() { # wav NAME DATA-SIZE-FIELD SAMPLE-BYTES
    { printf 'RIFF'; le32 $(($2 + 36))
      printf 'WAVEfmt \x10\0\0\0\x01\0\x01\0\x80\x3e\0\0\0\x7d\0\0\x02\0\x10\0data'; le32 "$2"
      head -c "$3" < <(yes zuvi); } | save wave "$1"
}
wav stopped 4 0
wav one-piece 516 512
wav odd 1025 1021
wav larger-than-file 4000 600
wav small-field 2 8

# Files the program writes: contact lists in each encoding, settings, the store.
contacts=$'张三=13900000001\r\n应答=13900000001\r\n忙音=13900000002\r\n'
printf '%s' "$contacts" | iconv -f UTF-8 -t GBK | save textlist contact-gbk
{ printf '\xef\xbb\xbf'; printf '%s' "$contacts"; } | save textlist contact-utf8
{ printf '\xff\xfe'; printf '%s' "$contacts" | iconv -f UTF-8 -t UTF-16LE; } | save textlist contact-utf16le
{ printf '\xfe\xff'; printf '%s' "$contacts" | iconv -f UTF-8 -t UTF-16BE; } | save textlist contact-utf16be
printf '张三 125 秒 2026/12/10 12:00:00\r\n暂无记录\r\n' | iconv -f UTF-8 -t GBK | save textlist call-gbk
printf '13800000001\r\n13800000002\ndemo' | save textlist users
printf '[switch1]\r\nlogin=1\r\n[switch2]\r\nlogin=0\r\n[switch3]\r\nlogin=1\r\n' | save inifile login.ini
printf '; settings\r\n[set]\r\nautohide=1\r\n\r\n[volume]\r\nspeaker = "80"\r\nmicrophone=0x50\r\n' | save inifile zuvi.ini
{ printf '\xef\xbb\xbf[exit]\r\nexit=1\r\n'; } | save inifile exit-utf8.ini
printf '{\n    "keys": {\n        "Software\\\\zuvi": {\n            "13800000001": "zuvi1234",\n            "usr": "13800000001"\n        }\n    }\n}\n' \
    | save userstore store.json
printf '{"keys":{}}' | save userstore empty-keys.json
echo "make-seeds: $(find "$corpus" -type f | wc -l) seeds in $corpus"
