#!/usr/bin/env python3
"""Writes the generated packets the benchmarks read: synth_n<N>.xmp for N in 100, 1000, 10000 and
100000 properties.

  python3 bench/make_packets.py OUT_DIR

Each packet is x:xmpmeta/rdf:RDF with one rdf:Description declaring eight namespaces; its
properties are a fixed mix of attributes (1 in 5), simple elements (1 in 2) and rdf:Bag lists of
two to four items (the rest), the mix a real writer produces for large catalogues. The output is
the same on every run, so figures from different runs compare.
"""
import os
import sys

NAMESPACES = [
    ("dc", "http://purl.org/dc/elements/1.1/"),
    ("xmp", "http://ns.adobe.com/xap/1.0/"),
    ("xmpRights", "http://ns.adobe.com/xap/1.0/rights/"),
    ("photoshop", "http://ns.adobe.com/photoshop/1.0/"),
    ("Iptc4xmpCore", "http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/"),
    ("xmpDM", "http://ns.adobe.com/xmp/1.0/DynamicMedia/"),
    ("xmpMM", "http://ns.adobe.com/xap/1.0/mm/"),
    ("bench", "http://example.com/ns/bench/1.0/"),
]
WORDS = "harbour dawn market river bridge studio forest coast tower garden train festival".split()


def value(i):
    return "%s %s %d" % (WORDS[i % len(WORDS)], WORDS[(i * 5 + 2) % len(WORDS)], i)


def packet(n):
    attributes = []
    elements = []
    for i in range(n):
        prefix = NAMESPACES[i % len(NAMESPACES)][0]
        name = "%s:p%d" % (prefix, i)
        kind = i % 10
        if kind < 2:
            attributes.append('\n    %s="%s"' % (name, value(i)))
        elif kind < 7:
            elements.append("   <%s>%s</%s>\n" % (name, value(i), name))
        else:
            items = "".join("     <rdf:li>%s</rdf:li>\n" % value(i + k) for k in range(2 + i % 3))
            elements.append("   <%s>\n    <rdf:Bag>\n%s    </rdf:Bag>\n   </%s>\n" % (name, items, name))
    declarations = "".join('\n    xmlns:%s="%s"' % ns for ns in NAMESPACES)
    return (
        "<?xpacket begin=\"\ufeff\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
        '<x:xmpmeta xmlns:x="adobe:ns:meta/">\n'
        ' <rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">\n'
        '  <rdf:Description rdf:about=""%s%s>\n%s  </rdf:Description>\n'
        " </rdf:RDF>\n</x:xmpmeta>\n"
        '<?xpacket end="w"?>\n' % (declarations, "".join(attributes), "".join(elements))
    )


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    os.makedirs(sys.argv[1], exist_ok=True)
    for n in (100, 1000, 10000, 100000):
        with open(os.path.join(sys.argv[1], "synth_n%d.xmp" % n), "w", encoding="utf-8") as f:
            f.write(packet(n))


if __name__ == "__main__":
    main()
