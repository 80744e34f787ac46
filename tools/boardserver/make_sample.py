#!/usr/bin/env python3
"""Writes the board server's sample data set (Shift-JIS) under sample/.

    python3 tools/boardserver/make_sample.py [OUTDIR]

The output is committed; run this again only to change the sample. It is
deterministic: the same script writes the same bytes.

Layout (URL path = file path under the folder):
    bbsmenu.html                      the board menu
    <dir>/subject.txt                 each board's thread list
    <dir>/dat/<key>.dat               each thread's log
"""
import os
import random
import sys
from datetime import datetime, timedelta, timezone

JST = timezone(timedelta(hours=9))
WEEKDAYS = "月火水木金土日"

MENU = """<HTML>
<HEAD>
<META http-equiv="Content-Type" content="text/html; charset=Shift_JIS">
<TITLE>BBS MENU</TITLE>
<BASE TARGET="cont">
</HEAD>
<BODY TEXT="#CC3300" BGCOLOR="#FFFFFF" link="#0000FF" alink="#ff0000" vlink="#660099">
<font size=2>
<A HREF=http://www.2ch.net/ TARGET=_top>入り口</A><br>
<A HREF=http://www.2ch.net/guide/>総合案内</A><br>
<A HREF=http://irc.2ch.net/chat/>チャット</A><br>

<br><br><B>PC等</B><br>
<A HREF=http://pc.2ch.net/mobile/>モバイル</A><br>
<A HREF=http://pc.2ch.net/software/>ソフトウェア</A><br>

<br><br><B>ニュース</B><br>
<A HREF=http://srv.2ch.net/news/>ニュース速報</A><br>
<A HREF=http://www.example.com/news/ TARGET=_blank>よそのニュース</A><br>

<br><br><B>雑談</B><br>
<A HREF=http://srv.2ch.net/sub/zatsudan/>雑談</A><br>

<br><br><B>チャット</B><br>
<A HREF=http://irc.2ch.net/irc/>IRC案内</A><br>

<br><br><B>運営</B><br>
<A HREF=http://www.2ch.net/kanri/>運営案内</A><br>
<A HREF=http://www.example.com/help/>ヘルプ</A><br>
</font>
<br><br>
<font size=1>更新日 2003/10/02</font>
</BODY></HTML>
"""

# Boards: directory as served (with the host's second level in front), the
# threads as (key, title, responses).
BOARDS = [
    ("mobile", [
        (1065069078, "春は来る？CE用2chブラウザ「Velmo」Part10", 123),
        (1066800000, "スマートフォン総合スレ (仮)", 12),
        (1064500000, "PDAで掲示板を読むスレ Part3", 25),
        (1063333333, "&quot;テスト&quot; &amp; 実験スレ", 5),
    ]),
    ("software", [
        (1065200000, "フリーソフト紹介スレ Part42", 30),
        (1062222222, "テキストエディタ総合 その8", 15),
    ]),
    ("news", [
        (1065100000, "【速報】ローカルサーバーで試験中【テスト】", 40),
        (1065100500, "今日のニュースを語るスレ", 8),
    ]),
    ("sub/zatsudan", [
        (1064999999, "なんでもない日常を書くスレ", 6),
        (1064000000, "雑談スレ　その１２３", 20),
    ]),
]

SENTENCES = [
    "新スレおつです。",
    "前スレの続きだけど、画面の回転に対応してくれると助かる。",
    "差分取得がちゃんと動いてるみたい。通信量がかなり減った。",
    "フォントを小さくすると一画面に多く出せていい感じ。",
    "電池の持ちはどう？",
    "ログが増えると起動が少し遅くなる気がする。",
    "お気に入りスレの更新チェックが便利すぎる。",
    "書き込みテスト。",
    "板一覧の取得先を変えたら直りました。",
    "プロキシ経由でも読めてます。",
    "あぼーんされたら全部取り直すのは仕様？",
    "キー操作だけで全部できるのがいいね。",
    "サーバー移転のときは板一覧を取り直してね。",
    "今日は寒いですね。",
    "それは設定の「ログのみ」を外せば出るよ。",
    "ｷﾀ━━━━(ﾟ∀ﾟ)━━━━!!",
    "漏れの端末だと文字化けしない。",
    "ソフトキーの割り当てが覚えられない……",
    "バージョンアップ待ってます。",
    "ありがとう、助かりました。",
    "同じく。",
    "なるほど。",
    "どういたしまして。",
    "それってどこで設定するの？",
    "スレ一覧を新着順に並べると見やすい。",
]

QUOTES = [
    "&gt; 差分取得がちゃんと動いてるみたい。",
    "&gt;&gt;3 電池の持ちは一日くらい。",
    "&lt;&lt;これは引用じゃないよ&gt;&gt;",
    "A &amp; B の比較は前スレ参照。",
    "&quot;書きこみが終わりました&quot;って出れば成功。",
]

NAMES = ["名無しさん", "名無しさん", "名無しさん", "名無しさん", "名無しさん",
         "通りすがり", "作者 </b>◆Dev.4Qx9Ab <b>", "コテハン </b>◆Abc.123xyz <b>"]


def dat_date(t, with_id, rnd, ids):
    d = t.astimezone(JST)
    text = "%04d/%02d/%02d(%s) %02d:%02d:%02d" % (
        d.year, d.month, d.day, WEEKDAYS[d.weekday()], d.hour, d.minute, d.second)
    if with_id:
        key = (d.date(), rnd.randrange(12))
        if key not in ids:
            ids[key] = "".join(rnd.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
                               for _ in range(8))
        text += " ID:" + ids[key]
    return text


def anchor(board, key, n, text=None):
    board_name = board.split("/")[-1]
    return '<a href="../test/read.cgi/%s/%d/%d" target="_blank">%s</a>' % (
        board_name, key, n, text or "&gt;&gt;%d" % n)


def body_for(board, key, n, rnd):
    """Body lines of response n (joined later with " <br> ")."""
    if n == 1:
        return ["このスレは試験用のスレッドです。", "",
                "前スレ", "ttp://pc.2ch.net/test/read.cgi/%s/1060000000/" % board.split("/")[-1],
                "関連リンクは" + anchor(board, key, 2, "&gt;&gt;2-5") + "あたり。"]
    lines = []
    if n > 2 and rnd.random() < 0.35:
        target = rnd.randrange(1, n)
        lines.append(anchor(board, key, target) + (" " if rnd.random() < 0.5 else ""))
    if rnd.random() < 0.15:
        lines.append(rnd.choice(QUOTES))
    for _ in range(rnd.randrange(1, 4)):
        lines.append(rnd.choice(SENTENCES))
    if rnd.random() < 0.1:
        lines.append("")
        lines.append(rnd.choice(SENTENCES))
    return lines


def long_body():
    # One line far longer than the program's 2048-byte line reads.
    line = "".join("長い行のテスト%03d。" % i for i in range(160))
    return [line]


def many_lines_body():
    return ["%d行目" % i for i in range(1, 41)]


def make_thread(board, key, title, count, with_id, rnd):
    start = datetime.fromtimestamp(key, timezone.utc)
    t = start
    ids = {}
    out = []
    for n in range(1, count + 1):
        if n > 1:
            t += timedelta(seconds=rnd.randrange(20, 4 * 3600))
        name = rnd.choice(NAMES) if n > 1 else "1"
        if n == 1:
            name = "名無しさん"
        mail = "sage" if rnd.random() < 0.4 else ""
        if n % 17 == 0:
            mail = "age"
        if count >= 100 and n == 30:
            lines = long_body()
        elif count >= 100 and n == 31:
            lines = many_lines_body()
        elif count >= 20 and n == 7:
            # a response deleted by the board's staff
            out.append("あぼーん<>あぼーん<>あぼーん<>あぼーん<>\n")
            continue
        else:
            lines = body_for(board, key, n, rnd)
        body = " " + " <br> ".join(lines) + " "
        out.append("%s<>%s<>%s<>%s<>%s\n" % (
            name, mail, dat_date(t, with_id, rnd, ids), body, title if n == 1 else ""))
    return "".join(out)


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(text.encode("cp932"))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "sample")
    rnd = random.Random(1065069078)
    write(os.path.join(out, "bbsmenu.html"), MENU)
    for board, threads in BOARDS:
        subject = []
        for key, title, count in threads:
            with_id = not board.startswith("sub/")
            dat = make_thread(board, key, title, count, with_id, rnd)
            write(os.path.join(out, board, "dat", "%d.dat" % key), dat)
            subject.append("%d.dat<>%s (%d)\n" % (key, title, dat.count("\n")))
        write(os.path.join(out, board, "subject.txt"), "".join(subject))


if __name__ == "__main__":
    main()
