// The runtimes find a bone, a skin or an animation by name with a linear search of its list. The
// readers look up a bone once per bone (its parent) and per slot, and a skin once per attachment
// timeline; choosing the first skin shown sets every skin in turn. Each is quadratic in its list:
// 2·10^8 name comparisons to read a chain of 20,000 bones, half a minute to try 30,000 skins in
// this engine. An index beside each list answers each lookup at once, with the same result. It is
// built on the first lookup after a load, as a plain object: this engine's Map searches its keys
// one by one.
const INDEXED_LOOKUPS = [["findBone", "bones"], ["findSkin", "skins"], ["findAnimation", "animations"]];

export function indexNameLookups(SkeletonData) {
    if (!SkeletonData)
        return;
    for (const [method, list] of INDEXED_LOOKUPS)
        indexLookup(SkeletonData.prototype, method, list);
}

function indexLookup(prototype, method, list) {
    const linearFind = prototype[method];
    if (typeof linearFind !== "function")
        return;
    const indexProperty = "kvxIndexOf" + list;
    prototype[method] = function (name) {
        const items = this[list];
        if (!name || typeof name !== "string" || !Array.isArray(items))
            return linearFind.call(this, name); // the runtime's own error, or its loose match
        let index = this[indexProperty];
        if (!index || index.items !== items)
            index = this[indexProperty] = { items, byName: Object.create(null), indexed: 0, looseNames: false };
        // Readers only append; the first of equal names wins, as in the linear search. Keys carry
        // a prefix so that no name can be a special property.
        for (; index.indexed < items.length; index.indexed++) {
            const item = items[index.indexed], key = "#" + item.name;
            if (typeof item.name !== "string")
                index.looseNames = true;
            else if (index.byName[key] === undefined)
                index.byName[key] = item;
        }
        const found = index.byName["#" + name];
        if (found !== undefined)
            return found;
        // A name that is no string may still match loosely in the runtimes that compare with ==.
        return index.looseNames ? linearFind.call(this, name) : null;
    };
}
