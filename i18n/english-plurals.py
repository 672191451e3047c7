#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Fills the empty English plural forms of a .ts file: "%Ln video(s)" becomes "%Ln video" and
"%Ln videos". A form already written (an irregular plural, a verb that agrees) is kept."""
import re
import sys

path = sys.argv[1]
text = open(path, encoding="utf-8").read()


def fill(message):
    source = re.search(r"<source>(.*?)</source>", message.group(0), re.S).group(1)
    forms = (source.replace("(s)", ""), source.replace("(s)", "s"))
    body = message.group(0)
    if "<numerusform></numerusform>" not in body:
        return body
    body = re.sub(
        r"<translation[^>]*>.*?</translation>",
        lambda _: "<translation>\n"
        + "".join(f"            <numerusform>{form}</numerusform>\n" for form in forms)
        + "        </translation>",
        body,
        flags=re.S,
    )
    return body


text = re.sub(r'<message numerus="yes">.*?</message>', fill, text, flags=re.S)
open(path, "w", encoding="utf-8").write(text)
